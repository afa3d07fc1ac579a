#pragma once

#include "core/singleton.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class ShaderProgram;

// The numbered programs every draw routine asks the loader for; the value is
// the id, the name without the prefix is the program's name.
enum ShaderId : int {
    ShaderBumped = 0,
    ShaderBumpedDual = 1,
    ShaderBumpedPbs = 2,
    ShaderBumpedPbsDual = 3,
    ShaderGrid = 4,
    ShaderLightingOnly = 5,
    ShaderLightingOnlyAlpha = 6,
    ShaderNoLighting = 7,
    ShaderNoLightingDual = 8,
    ShaderNoLightingAlpha = 9,
    ShaderWireframe = 10,
    ShaderCollisionLighting = 11,
    ShaderCollisionNoLighting = 12,
    ShaderDepth = 13,
    ShaderFont = 14,
};

inline constexpr int SHADER_COUNT = 15;

// Where one numbered program's two texts come from: file names (with the
// leading "/") under the shader folder and the defines inserted into each.
struct ShaderSource
{
    QString vertexFile;
    QStringList vertexDefines;
    QString fragmentFile;
    QStringList fragmentDefines;
};

// Builds and owns the fifteen numbered programs, the camouflage-bake program
// and the line program, from the GLSL 1.50 files of one folder. Built once
// per context; the owner makes the context current before deleting it.
class ShaderLoader : public QObject, public Singleton<ShaderLoader>
{
    Q_OBJECT

public:
    explicit ShaderLoader(QObject *parent = nullptr,
                          const QString &shaderDir = QStringLiteral("../data/shaders/glsl150"));
    ~ShaderLoader() override;

    // Compiles and links everything with the current context. False when any
    // program failed; the reasons are in the log and the failed programs are
    // absent. A missing file has already shown the fatal box.
    bool buildShaders();

    // Null when the program does not exist (not built, or it failed).
    ShaderProgram *program(ShaderId id) const;

    static QString shaderName(ShaderId id);
    static ShaderSource shaderSource(ShaderId id);
    static const QVector<ShaderId> &linkOrder();
    static const QStringList &attributeNames();
    static const QStringList &uniformNames();

    // The file text with each define inserted as "\n#define NAME" right after
    // the 12 characters of "#version 150".
    static QString insertDefines(QString text, const QStringList &defines);

    // Reads shaderDir + path and inserts the defines. A file that cannot be
    // opened is logged and reported fatal; the answer is then empty.
    QString loadSource(const QString &path, const QStringList &defines);

    static QString programLog(ShaderProgram *shaderProgram);

    QString shaderDir() const { return mShaderDir; }

    QHash<ShaderId, ShaderProgram *> programs; // owned
    ShaderProgram *camoSaverProgram = nullptr; // owned
    ShaderProgram *lineProgram = nullptr;      // owned

private:
    bool linkProgram(const QString &vertexText, const QString &fragmentText,
                     const QString &geometryText, ShaderId id);
    // The two programs outside the table: fragment stage first, the given
    // attribute names at 0 and 1, then the uniforms; null on failure.
    ShaderProgram *linkSpecial(const QString &name, const QString &vertexFile,
                               const QString &fragmentFile, const QString &secondAttribute,
                               const QString &failureText, const QStringList &uniforms);

    QString mShaderDir;
};

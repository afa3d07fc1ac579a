#pragma once

#include "core/singleton.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QDomDocument;
class QDomElement;

// The names of every texture the loaded tank's .visual files use, by kind and form,
// with their .texformat companions, mip files and the camouflage exclusion masks.
// Names are game-relative and recorded as the texture loader resolves them; a name
// is listed once whatever its letter case, under its first spelling.
class TankInfo : public QObject, public Singleton<TankInfo>
{
    Q_OBJECT

public:
    TankInfo();
    ~TankInfo() override;

    void clear();
    // Reads the textures of both forms of a tank definition, destroyed first.
    void parse(const QDomDocument &definition);

    // Each ignores an empty name. The per-form kinds go to the list of stateIndex;
    // for another index they reach allFiles() only.
    void addDiffuse(const QString &name);
    void addSpecular(const QString &name);
    void addNormal(const QString &name);
    void addMetallic(const QString &name);
    void addDetailMap(const QString &name);
    void addExclusionMask(const QString &name);
    void addTexformatFile(const QString &name);

    // Every name of every list: the files a texture extraction copies.
    QStringList allFiles() const { return mAllFiles; }
    // The undamaged diffuse textures camouflage paints: none of tracks, bottoms or
    // equipment.
    QStringList camoTextures() const;

    // The textures of one .visual file, found through FileManager; nothing is
    // recorded when it cannot be read.
    void readVisualTextures(const QString &path);
    // Records the .texformat companion of a texture found in the packages and
    // answers the mip file it names; empty without a companion.
    QString addTexformat(const QString &name);

    QStringList undamagedDiffuse;
    QStringList undamagedSpecular;
    QStringList undamagedNormal;
    QStringList exclusionMasks;
    QStringList undamagedMetallic;
    QStringList detailMaps;
    QStringList texformatFiles;
    QStringList destroyedDiffuse;
    QStringList destroyedSpecular;
    QStringList destroyedNormal;
    QStringList destroyedMetallic;
    // Never filled: the list by-form readers take for the collision form.
    QStringList collisionList;
    QString stateName;
    // 0 undamaged, 1 destroyed; the texture picker sets it before it reads by form.
    int stateIndex = 0;

private:
    enum Kind { Diffuse, Specular, Normal, Metallic };

    void addFormTexture(Kind kind, const QString &name);
    void addTo(QStringList *list, const QString &name);
    void collectModels(const QDomElement &root, const QString &form);

    QStringList mAllFiles;

    Q_DISABLE_COPY(TankInfo)
};

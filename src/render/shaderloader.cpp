#include "shaderloader.h"

#include "glerror.h"
#include "shaderprogram.h"

#include "core/fatalerror.h"
#include "core/log.h"

#include <QFile>
#include <QOpenGLShader>

namespace {

const QString LIGHTING_BUMP = QStringLiteral("LIGHTING_BUMP");
const QString LIGHTING_BASIC = QStringLiteral("LIGHTING_BASIC");
const QString DUAL_TEXTURE = QStringLiteral("DUAL_TEXTURE");
const QString ALPHA_STATIC = QStringLiteral("ALPHA_STATIC");
const QString GRID = QStringLiteral("GRID");

// Length of "#version 150", the line every shader file starts with.
constexpr int VERSION_LENGTH = 12;

} // namespace

ShaderLoader::ShaderLoader(QObject *parent, const QString &shaderDir)
    : QObject(parent)
    , mShaderDir(shaderDir)
{
    logLine(QStringLiteral("Creating shader loader."), Info);
}

ShaderLoader::~ShaderLoader()
{
    qDeleteAll(programs);
    programs.clear();
    delete camoSaverProgram;
    camoSaverProgram = nullptr;
    delete lineProgram;
    lineProgram = nullptr;
}

QString ShaderLoader::shaderName(ShaderId id)
{
    static const char *const names[SHADER_COUNT] = {
        "Bumped",
        "BumpedDual",
        "BumpedPbs",
        "BumpedPbsDual",
        "Grid",
        "LightingOnly",
        "LightingOnlyAlpha",
        "NoLighting",
        "NoLightingDual",
        "NoLightingAlpha",
        "Wireframe",
        "CollisionLighting",
        "CollisionNoLighting",
        "Depth",
        "Font",
    };
    if (id < 0 || id >= SHADER_COUNT) {
        return QString();
    }
    return QString::fromLatin1(names[id]);
}

ShaderSource ShaderLoader::shaderSource(ShaderId id)
{
    const QString lightingVert = QStringLiteral("/lighting.vert");
    const QString lightingFrag = QStringLiteral("/lighting.frag");
    const QString pbsVert = QStringLiteral("/pbs.vert");
    const QString pbsFrag = QStringLiteral("/pbs.frag");
    const QString plainVert = QStringLiteral("/noLighting.vert");
    const QString plainFrag = QStringLiteral("/noLighting.frag");
    const QString collisionVert = QStringLiteral("/collision.vert");
    const QString collisionFrag = QStringLiteral("/collision.frag");

    switch (id) {
    case ShaderBumped: return {lightingVert, {LIGHTING_BUMP}, lightingFrag, {LIGHTING_BUMP}};
    case ShaderBumpedDual:
        return {lightingVert,
                {LIGHTING_BUMP, DUAL_TEXTURE},
                lightingFrag,
                {LIGHTING_BUMP, DUAL_TEXTURE}};
    case ShaderBumpedPbs: return {pbsVert, {}, pbsFrag, {}};
    case ShaderBumpedPbsDual: return {pbsVert, {DUAL_TEXTURE}, pbsFrag, {DUAL_TEXTURE}};
    case ShaderGrid: return {plainVert, {GRID}, plainFrag, {GRID}};
    case ShaderLightingOnly:
        return {lightingVert, {LIGHTING_BASIC}, lightingFrag, {LIGHTING_BASIC}};
    case ShaderLightingOnlyAlpha:
        // The bumped vertex text: the basic alpha fragment text reads a subset of it.
        return {lightingVert, {LIGHTING_BUMP}, lightingFrag, {LIGHTING_BASIC, ALPHA_STATIC}};
    case ShaderNoLighting: return {plainVert, {}, plainFrag, {}};
    case ShaderNoLightingDual: return {plainVert, {DUAL_TEXTURE}, plainFrag, {DUAL_TEXTURE}};
    case ShaderNoLightingAlpha: return {plainVert, {}, plainFrag, {ALPHA_STATIC}};
    case ShaderWireframe:
        return {QStringLiteral("/wireframe.vert"), {}, QStringLiteral("/wireframe.frag"), {}};
    case ShaderCollisionLighting:
        return {collisionVert, {LIGHTING_BASIC}, collisionFrag, {LIGHTING_BASIC}};
    case ShaderCollisionNoLighting: return {collisionVert, {}, collisionFrag, {}};
    case ShaderDepth: return {QStringLiteral("/depth.vert"), {}, QStringLiteral("/depth.frag"), {}};
    case ShaderFont: return {QStringLiteral("/font.vert"), {}, QStringLiteral("/font.frag"), {}};
    }
    return {};
}

const QVector<ShaderId> &ShaderLoader::linkOrder()
{
    static const QVector<ShaderId> order = {
        ShaderNoLightingDual,
        ShaderBumped,
        ShaderBumpedDual,
        ShaderGrid,
        ShaderLightingOnly,
        ShaderLightingOnlyAlpha,
        ShaderNoLighting,
        ShaderNoLightingAlpha,
        ShaderWireframe,
        ShaderCollisionNoLighting,
        ShaderCollisionLighting,
        ShaderDepth,
        ShaderFont,
        ShaderBumpedPbs,
        ShaderBumpedPbsDual,
    };
    return order;
}

const QStringList &ShaderLoader::attributeNames()
{
    // The index in this list is the attribute location.
    static const QStringList names = {
        QStringLiteral("iVertPos"),   QStringLiteral("iTexCoord0"), QStringLiteral("iTexCoord1"),
        QStringLiteral("iTexCoord2"), QStringLiteral("iNormal"),    QStringLiteral("iBinormal"),
        QStringLiteral("iTangent"),   QStringLiteral("iGeneric0"),  QStringLiteral("iGeneric1"),
        QStringLiteral("iGeneric2"),  QStringLiteral("iGeneric3"),
    };
    return names;
}

const QStringList &ShaderLoader::uniformNames()
{
    static const QStringList names = {
        QStringLiteral("diffuseMap0"),   QStringLiteral("diffuseMap1"),
        QStringLiteral("depthMap"),      QStringLiteral("alphaRef"),
        QStringLiteral("normalMap"),     QStringLiteral("specularMap"),
        QStringLiteral("shadowMap"),     QStringLiteral("NormalMatrix"),
        QStringLiteral("ModelView"),     QStringLiteral("ModelView3"),
        QStringLiteral("Model"),         QStringLiteral("View"),
        QStringLiteral("ModelViewProj"), QStringLiteral("DepthBias"),
        QStringLiteral("diffuseColor"),  QStringLiteral("lightPos"),
        QStringLiteral("lightSpec"),     QStringLiteral("lightDiffuse"),
        QStringLiteral("lightAmbient"),  QStringLiteral("camoTiling"),
        QStringLiteral("camoColor0"),    QStringLiteral("camoColor1"),
        QStringLiteral("camoColor2"),    QStringLiteral("camoColor3"),
        QStringLiteral("camoEnabled"),   QStringLiteral("exclusionMap"),
        QStringLiteral("camoMap"),       QStringLiteral("shadowDivide"),
        QStringLiteral("shadowSamples"), QStringLiteral("shadowEnabled"),
        QStringLiteral("dxt1NormalMap"), QStringLiteral("detailMetallic"),
        QStringLiteral("detailTile"),    QStringLiteral("detailPower"),
        QStringLiteral("glossMap"),      QStringLiteral("detailMap"),
    };
    return names;
}

QString ShaderLoader::insertDefines(QString text, const QStringList &defines)
{
    QString block;
    for (const QString &define : defines) {
        block += QStringLiteral("\n#define ") + define;
    }
    // A text shorter than the version line (an unreadable file) just gets the
    // defines appended; the compiler then reports the missing version.
    text.insert(qMin(VERSION_LENGTH, int(text.size())), block);
    return text;
}

QString ShaderLoader::loadSource(const QString &path, const QStringList &defines)
{
    const QString fullPath = mShaderDir + path;
    QFile file(fullPath);
    QString text;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString message = QStringLiteral("Failed to open shader: ") + fullPath;
        logLine(message, Error);
        fatalError(message);
    } else {
        text = QString::fromUtf8(file.readAll());
    }
    return insertDefines(text, defines);
}

QString ShaderLoader::programLog(ShaderProgram *shaderProgram)
{
    if (!shaderProgram || !shaderProgram->program) {
        return QString();
    }
    return shaderProgram->program->log();
}

ShaderProgram *ShaderLoader::program(ShaderId id) const
{
    return programs.value(id, nullptr);
}

bool ShaderLoader::buildShaders()
{
    programs.reserve(SHADER_COUNT);

    QString vertexTexts[SHADER_COUNT];
    QString fragmentTexts[SHADER_COUNT];
    for (int i = 0; i < SHADER_COUNT; ++i) {
        const auto id = ShaderId(i);
        const ShaderSource source = shaderSource(id);
        // Programs 6 and 9 share the vertex text of 0 and 7: read once.
        if (id == ShaderLightingOnlyAlpha) {
            vertexTexts[i] = vertexTexts[ShaderBumped];
        } else if (id == ShaderNoLightingAlpha) {
            vertexTexts[i] = vertexTexts[ShaderNoLighting];
        } else {
            vertexTexts[i] = loadSource(source.vertexFile, source.vertexDefines);
        }
        fragmentTexts[i] = loadSource(source.fragmentFile, source.fragmentDefines);
    }

    bool ok = true;
    for (ShaderId id : linkOrder()) {
        if (!linkProgram(vertexTexts[id], fragmentTexts[id], QString(), id)) {
            ok = false;
        }
    }
    if (!ok) {
        return false;
    }

    camoSaverProgram = linkSpecial(
        QStringLiteral("CamoSaver"), QStringLiteral("/camoSaver.vert"),
        QStringLiteral("/camoSaver.frag"), QStringLiteral("iTexCoord0"),
        QStringLiteral("Failed to link camosaver shader: "),
        {QStringLiteral("diffuseMap0"), QStringLiteral("exclusionMap"), QStringLiteral("camoMap"),
         QStringLiteral("TexCoord0"), QStringLiteral("camoTiling"), QStringLiteral("camoColor0"),
         QStringLiteral("camoColor1"), QStringLiteral("camoColor2"), QStringLiteral("camoColor3")});
    if (!camoSaverProgram) {
        return false;
    }

    lineProgram = linkSpecial(QStringLiteral("Line"), QStringLiteral("/line.vert"),
                              QStringLiteral("/line.frag"), QStringLiteral("iColorPos"),
                              QStringLiteral("Failed to link line shader: "),
                              {QStringLiteral("ModelViewProj")});
    if (!lineProgram) {
        return false;
    }
    checkGlError(QStringLiteral("ShaderLoader"));
    return true;
}

bool ShaderLoader::linkProgram(const QString &vertexText, const QString &fragmentText,
                               const QString &geometryText, ShaderId id)
{
    // Owned here until it is stored, so a program that failed is not leaked.
    auto shaderProgram = std::make_unique<ShaderProgram>(shaderName(id));
    shaderProgram->create();
    QOpenGLShaderProgram *gl = shaderProgram->program.get();
    const QString loadError = QStringLiteral("Shader load error: ");

    if (!gl->addShaderFromSourceCode(QOpenGLShader::Vertex, vertexText)) {
        logLine(loadError + gl->log(), Error);
        return false;
    }
    if (!gl->addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentText)) {
        logLine(loadError + gl->log(), Error);
        return false;
    }
    if (!geometryText.isEmpty()) {
        if (!gl->addShaderFromSourceCode(QOpenGLShader::Geometry, geometryText)) {
            logLine(loadError + gl->log(), Error);
            return false;
        }
        shaderProgram->hasGeometry = true;
    }

    const QStringList &attributes = attributeNames();
    for (int location = 0; location < attributes.size(); ++location) {
        gl->bindAttributeLocation(attributes.at(location).toLatin1().constData(), location);
    }

    if (!gl->link()) {
        logLine(QStringLiteral("Failed to link shader: ") + gl->log(), Error);
        return false;
    }

    gl->bind();
    for (const QString &uniformName : uniformNames()) {
        shaderProgram->addUniform(uniformName);
    }
    // The grid writes its matrix under this name; registering it sends the
    // matrix to its real location instead of whatever sits at location 0.
    if (id == ShaderGrid) {
        shaderProgram->addUniform(QStringLiteral("mvp"));
    }
    gl->release();

    delete programs.value(id, nullptr);
    programs.insert(id, shaderProgram.release());
    return true;
}

ShaderProgram *ShaderLoader::linkSpecial(const QString &name, const QString &vertexFile,
                                         const QString &fragmentFile,
                                         const QString &secondAttribute, const QString &failureText,
                                         const QStringList &uniforms)
{
    const QString fragmentText = loadSource(fragmentFile, {});
    const QString vertexText = loadSource(vertexFile, {});

    auto shaderProgram = std::make_unique<ShaderProgram>(name);
    shaderProgram->create();
    QOpenGLShaderProgram *gl = shaderProgram->program.get();
    // A stage that does not compile shows up again as the link failure below,
    // with the compiler's text in the log.
    gl->addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentText);
    gl->addShaderFromSourceCode(QOpenGLShader::Vertex, vertexText);
    gl->bindAttributeLocation("iVertPos", 0);
    gl->bindAttributeLocation(secondAttribute.toLatin1().constData(), 1);
    if (!gl->link()) {
        logLine(failureText + gl->log(), Error);
        return nullptr;
    }
    gl->bind();
    for (const QString &uniformName : uniforms) {
        shaderProgram->addUniform(uniformName);
    }
    gl->release();
    return shaderProgram.release();
}

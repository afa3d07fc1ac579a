#include "render/material.h"
#include "render/materialloader.h"
#include "render/offscreengl.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/matrixstack.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/textureloader.h"

#include <QDir>
#include <QDomDocument>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <memory>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

// Binds materials on a real context with the shipped programs and reads back
// uniforms, texture units and fixed-function state.
class TestMaterialGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void litBindSendsEverything();
    void pbsBindSendsDetailAndSkipsNothing();
    void unlitSkipsLitOnlyKindsButKeepsTheirUnits();
    void shadowsOffStillLightsAndLeavesUnitSeven();
    void blendFunctionNeverInherited();
    void camouflageUniforms();
    void diffuseTextureIdRestoresTheProgram();
    void loaderChoosesProgramsByEffect();

private:
    GLuint programId(ShaderProgram *p) const { return p->program->programId(); }
    GLint location(ShaderProgram *p, const char *name) const
    {
        return gl->glGetUniformLocation(programId(p), name);
    }
    float uniformF(ShaderProgram *p, const char *name) const;
    int uniformI(ShaderProgram *p, const char *name) const;
    glm::vec4 uniform4(ShaderProgram *p, const char *name) const;
    GLuint boundOnUnit(int unit) const;
    GLint parameterOf(GLuint texture, GLenum name) const;
    GLuint newTexture();
    void verifyNoGlError() const { QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR)); }

    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    std::unique_ptr<Settings> mSettings;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    std::unique_ptr<ShaderLoader> mShaders;
    std::unique_ptr<MatrixStack> mMatrices;
    std::unique_ptr<TextureLoader> mTextures;
    std::unique_ptr<MaterialLoader> mMaterials;
    LightRecord mLight;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    QList<GLuint> mMadeTextures;
};

float TestMaterialGl::uniformF(ShaderProgram *p, const char *name) const
{
    const GLint at = location(p, name);
    if (at < 0) {
        qWarning("uniform %s is not active in %s", name, qPrintable(p->name));
        return -12345.0f;
    }
    GLfloat value = 0.0f;
    gl->glGetUniformfv(programId(p), at, &value);
    return value;
}

int TestMaterialGl::uniformI(ShaderProgram *p, const char *name) const
{
    const GLint at = location(p, name);
    if (at < 0) {
        qWarning("uniform %s is not active in %s", name, qPrintable(p->name));
        return -12345;
    }
    GLint value = 0;
    gl->glGetUniformiv(programId(p), at, &value);
    return value;
}

glm::vec4 TestMaterialGl::uniform4(ShaderProgram *p, const char *name) const
{
    glm::vec4 value(-12345.0f);
    const GLint at = location(p, name);
    if (at < 0) {
        qWarning("uniform %s is not active in %s", name, qPrintable(p->name));
        return value;
    }
    gl->glGetUniformfv(programId(p), at, glm::value_ptr(value));
    return value;
}

GLuint TestMaterialGl::boundOnUnit(int unit) const
{
    GLint active = 0;
    gl->glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    GLint name = 0;
    gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    gl->glActiveTexture(GLenum(active));
    return GLuint(name);
}

GLint TestMaterialGl::parameterOf(GLuint texture, GLenum name) const
{
    GLint previous = 0;
    gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    gl->glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    gl->glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return value;
}

GLuint TestMaterialGl::newTexture()
{
    GLuint name = 0;
    gl->glGenTextures(1, &name);
    gl->glBindTexture(GL_TEXTURE_2D, name);
    const unsigned char pixel[4] = {255, 255, 255, 255};
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    mMadeTextures << name;
    return name;
}

void TestMaterialGl::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("data")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    mLog = std::make_unique<Log>();
    mSettings = std::make_unique<Settings>();

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
    mShaders = std::make_unique<ShaderLoader>(
        nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
    QVERIFY2(mShaders->buildShaders(), qPrintable(mLog->text(Error)));
    mMatrices = std::make_unique<MatrixStack>();
    mMatrices->view = glm::lookAt(glm::vec3(1, 2, 3), glm::vec3(0), glm::vec3(0, 1, 0));
    mMaterials = std::make_unique<MaterialLoader>();
    mLight.position = glm::vec3(1.5f, 2.5f, 3.5f);
    mLight.diffuse = glm::vec3(0.25f, 0.5f, 0.75f);
    mLight.ambient = glm::vec3(0.125f, 0.25f, 0.375f);
    mMaterials->light = &mLight;
    verifyNoGlError();
}

void TestMaterialGl::cleanupTestCase()
{
    if (mContext) {
        mContext->makeCurrent(mSurface.get());
        if (gl && !mMadeTextures.isEmpty()) {
            gl->glDeleteTextures(GLsizei(mMadeTextures.size()), mMadeTextures.constData());
        }
    }
    mMaterials.reset();
    mTextures.reset();
    mMatrices.reset();
    mShaders.reset();
    mSettings.reset();
    mLog.reset();
    setMessageBoxHandler({});
}

void TestMaterialGl::init()
{
    QVERIFY(mContext->makeCurrent(mSurface.get()));
    mSettings->showShadows = true;
    mSettings->shadowMapSamples = 4.0f;
    // A sampling state no default would give, so that reading it back proves
    // where it came from.
    mTextures = std::make_unique<TextureLoader>(nullptr, mRoot.filePath(QStringLiteral("data")));
    mTextures->minFilter = GL_NEAREST_MIPMAP_LINEAR;
    mTextures->magFilter = GL_NEAREST;
    mTextures->anisotropy = 2.0f;
    mTextures->shadowTexture = newTexture();
    for (int unit = 0; unit < 10; ++unit) {
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        gl->glBindTexture(GL_TEXTURE_2D, 0);
    }
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glUseProgram(0);
    while (gl->glGetError() != GL_NO_ERROR) { }
}

void TestMaterialGl::cleanup()
{
    mTextures.reset();
}

void TestMaterialGl::litBindSendsEverything()
{
    Material m(MATERIAL_LIT);
    QCOMPARE(m.program, mShaders->program(ShaderBumped));
    const GLuint diffuse = newTexture(), normal = newTexture(), specular = newTexture();
    m.textures.insert(TextureSpecular, specular);
    m.textures.insert(TextureDiffuse, diffuse);
    m.textures.insert(TextureNormal, normal);
    m.alphaTest = true;
    m.alphaRef = 0.5f;
    m.dxt1NormalMap = false;
    m.camoEnabled = true;
    m.identifier = QStringLiteral("hull");
    m.diffuseColor = glm::vec4(0.1f, 0.2f, 0.3f, 0.4f);
    m.bind();
    verifyNoGlError();

    ShaderProgram *p = m.program;
    GLint current = 0;
    gl->glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(GLuint(current), programId(p));
    QCOMPARE(uniformF(p, "alphaRef"), 0.5f);
    QCOMPARE(uniformI(p, "diffuseMap0"), 0);
    QCOMPARE(uniformI(p, "normalMap"), 1);
    QCOMPARE(uniformI(p, "specularMap"), 2);
    QCOMPARE(boundOnUnit(0), diffuse);
    QCOMPARE(boundOnUnit(1), normal);
    QCOMPARE(boundOnUnit(2), specular);
    for (GLuint t : {diffuse, normal, specular}) {
        QCOMPARE(parameterOf(t, GL_TEXTURE_MIN_FILTER), GLint(GL_NEAREST_MIPMAP_LINEAR));
        QCOMPARE(parameterOf(t, GL_TEXTURE_MAG_FILTER), GLint(GL_NEAREST));
        QCOMPARE(parameterOf(t, GL_TEXTURE_MAX_ANISOTROPY_EXT), 2);
    }

    glm::mat4 view(0.0f);
    gl->glGetUniformfv(programId(p), location(p, "View"), glm::value_ptr(view));
    QCOMPARE(view, mMatrices->view);
    QCOMPARE(uniformI(p, "dxt1NormalMap"), 0);

    QCOMPARE(boundOnUnit(7), mTextures->shadowTexture);
    QCOMPARE(uniformI(p, "shadowMap"), 7);
    QCOMPARE(uniformF(p, "shadowDivide"), 90.0f);
    QCOMPARE(uniformF(p, "shadowSamples"), 4.0f);
    QCOMPARE(uniformI(p, "shadowEnabled"), 1);
    QCOMPARE(glm::vec3(uniform4(p, "lightAmbient")), mLight.ambient);
    QCOMPARE(glm::vec3(uniform4(p, "lightDiffuse")), mLight.diffuse);
    QCOMPARE(glm::vec3(uniform4(p, "lightPos")), mLight.position);
    QCOMPARE(uniformI(p, "camoEnabled"), 1);

    QVERIFY(gl->glIsEnabled(GL_CULL_FACE));
    GLint cull = 0;
    gl->glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    QCOMPARE(cull, GLint(GL_BACK));
    QVERIFY(!gl->glIsEnabled(GL_BLEND));

    // Alpha test off: the shader sees 0 whatever the reference; double-sided: no culling.
    m.alphaTest = false;
    m.doubleSided = true;
    m.bind();
    QCOMPARE(uniformF(p, "alphaRef"), 0.0f);
    QVERIFY(!gl->glIsEnabled(GL_CULL_FACE));

    // Equipment never takes camouflage, whatever the flag says.
    m.identifier = QStringLiteral("turret_equipment");
    m.bind();
    QCOMPARE(uniformI(p, "camoEnabled"), 0);
    verifyNoGlError();

    // Only the collision and wireframe programs read the diffuse colour.
    Material wire(MATERIAL_UNLIT);
    wire.program = mShaders->program(ShaderWireframe);
    wire.diffuseColor = glm::vec4(0.1f, 0.2f, 0.3f, 0.4f);
    wire.bind();
    QCOMPARE(uniform4(wire.program, "diffuseColor"), wire.diffuseColor);
    verifyNoGlError();
}

void TestMaterialGl::pbsBindSendsDetailAndSkipsNothing()
{
    Material m(MATERIAL_LIT);
    m.program = mShaders->program(ShaderBumpedPbsDual);
    QVERIFY(m.program);
    const GLuint t0 = newTexture(), t1 = newTexture(), t2 = newTexture(), t4 = newTexture(),
                 t5 = newTexture();
    m.textures = {{TextureDetail, t5},
                  {TextureGloss, t4},
                  {TextureNormal, t2},
                  {TextureDiffuse2, t1},
                  {TextureDiffuse, t0}};
    m.detailMetallic = true;
    m.detailTile = glm::vec4(1, 2, 3, 4);
    m.detailPower = 0.7f;
    m.bind();
    verifyNoGlError();
    ShaderProgram *p = m.program;
    QCOMPARE(uniformI(p, "diffuseMap0"), 0);
    QCOMPARE(uniformI(p, "diffuseMap1"), 1);
    QCOMPARE(uniformI(p, "normalMap"), 2);
    QCOMPARE(uniformI(p, "glossMap"), 3);
    QCOMPARE(uniformI(p, "detailMap"), 4);
    QCOMPARE(boundOnUnit(3), t4);
    QCOMPARE(boundOnUnit(4), t5);
    QCOMPARE(uniformI(p, "detailMetallic"), 1);
    QCOMPARE(uniform4(p, "detailTile"), glm::vec4(1, 2, 3, 4));
    QCOMPARE(uniformF(p, "detailPower"), 0.7f);
    // The default stays on for materials that never said otherwise.
    QCOMPARE(uniformI(p, "dxt1NormalMap"), 1);
}

void TestMaterialGl::unlitSkipsLitOnlyKindsButKeepsTheirUnits()
{
    Material m(MATERIAL_UNLIT);
    QCOMPARE(m.program, mShaders->program(ShaderNoLighting));
    const GLuint diffuse = newTexture(), specular = newTexture(), normal = newTexture();
    m.textures.insert(TextureDiffuse, diffuse);
    m.textures.insert(TextureSpecular, specular);
    m.textures.insert(TextureNormal, normal);
    m.bind();
    verifyNoGlError();
    QCOMPARE(boundOnUnit(0), diffuse);
    QCOMPARE(boundOnUnit(1), normal);
    // The specular kind reserves unit 2 but binds nothing there; no shadow map either.
    QCOMPARE(boundOnUnit(2), 0u);
    QCOMPARE(boundOnUnit(7), 0u);
    QCOMPARE(uniformI(m.program, "diffuseMap0"), 0);
}

void TestMaterialGl::shadowsOffStillLightsAndLeavesUnitSeven()
{
    mSettings->showShadows = false;
    Material m(MATERIAL_LIT);
    ShaderProgram *p = m.program;
    // Values from an earlier bind must be overwritten, not left standing.
    p->program->bind();
    gl->glUniform1i(location(p, "shadowEnabled"), 1);
    gl->glUniform3f(location(p, "lightPos"), 9, 9, 9);
    gl->glUseProgram(0);

    m.bind();
    verifyNoGlError();
    QCOMPARE(uniformI(p, "shadowEnabled"), 0);
    QCOMPARE(glm::vec3(uniform4(p, "lightPos")), mLight.position);
    QCOMPARE(glm::vec3(uniform4(p, "lightDiffuse")), mLight.diffuse);
    QCOMPARE(boundOnUnit(7), 0u);
}

void TestMaterialGl::blendFunctionNeverInherited()
{
    auto blendPair = [this] {
        GLint src = 0, dst = 0;
        gl->glGetIntegerv(GL_BLEND_SRC_RGB, &src);
        gl->glGetIntegerv(GL_BLEND_DST_RGB, &dst);
        return qMakePair(src, dst);
    };
    const auto alphaBlend = qMakePair(GLint(GL_SRC_ALPHA), GLint(GL_ONE_MINUS_SRC_ALPHA));

    Material factor(MATERIAL_UNLIT);
    factor.blend = true;
    factor.blendFactorSet = true;
    factor.blendDest = GL_ONE;
    factor.bind();
    QVERIFY(gl->glIsEnabled(GL_BLEND));
    QCOMPARE(blendPair(), qMakePair(GLint(GL_SRC_ALPHA), GLint(GL_ONE)));

    // Blended without its own factor: the alpha blend, not the previous material's.
    Material plain(MATERIAL_UNLIT);
    plain.blend = true;
    plain.bind();
    QVERIFY(gl->glIsEnabled(GL_BLEND));
    QCOMPARE(blendPair(), alphaBlend);

    // Loaded with destBlend 13.
    QDomDocument doc;
    doc.setContent(
        QByteArrayLiteral("<material><property>destBlend<Int>13</Int></property></material>"));
    const QList<Material *> pair =
        mMaterials->loadMaterial(doc.documentElement().childNodes(), false);
    factor.bind();
    pair.at(1)->bind();
    QCOMPARE(blendPair(), alphaBlend);

    Material opaque(MATERIAL_UNLIT);
    opaque.bind();
    QVERIFY(!gl->glIsEnabled(GL_BLEND));
    qDeleteAll(pair);
    verifyNoGlError();
}

void TestMaterialGl::camouflageUniforms()
{
    // Without a texture loader the exclusion mask still lands on unit 8.
    mTextures.reset();
    Material m(MATERIAL_LIT);
    ShaderProgram *p = m.program;
    m.identifier = QStringLiteral("hull");
    m.bind();
    QCOMPARE(uniformI(p, "camoEnabled"), 0);

    // The camouflage step decides after bind; the second upload carries the decision.
    m.camoEnabled = true;
    m.camoColor0 = glm::vec4(0.1f, 0.2f, 0.3f, 1.0f);
    m.camoColor1 = glm::vec4(0.4f, 0.5f, 0.6f, 1.0f);
    m.camoColor2 = glm::vec4(0.7f, 0.8f, 0.9f, 1.0f);
    m.camoColor3 = glm::vec4(1.0f, 0.0f, 0.5f, 0.25f);
    m.camoTiling = glm::vec4(2, 3, 4, 5);
    m.bindCamouflage();
    m.uploadCamoEnabled();
    const GLuint mask = newTexture();
    m.bindExclusionMap(mask);
    verifyNoGlError();
    QCOMPARE(uniformI(p, "camoEnabled"), 1);
    QCOMPARE(uniform4(p, "camoColor0"), m.camoColor0);
    QCOMPARE(uniform4(p, "camoColor1"), m.camoColor1);
    QCOMPARE(uniform4(p, "camoColor2"), m.camoColor2);
    QCOMPARE(uniform4(p, "camoColor3"), m.camoColor3);
    QCOMPARE(uniform4(p, "camoTiling"), m.camoTiling);
    QCOMPARE(uniformI(p, "exclusionMap"), 8);
    QCOMPARE(boundOnUnit(8), mask);

    m.camoEnabled = false;
    m.uploadCamoEnabled();
    QCOMPARE(uniformI(p, "camoEnabled"), 0);
}

void TestMaterialGl::diffuseTextureIdRestoresTheProgram()
{
    Material m(MATERIAL_UNLIT);
    ShaderProgram *own = m.program;
    ShaderProgram *other = mShaders->program(ShaderBumped);
    own->program->bind();
    gl->glUniform1i(location(own, "diffuseMap0"), 5);
    other->program->bind();
    gl->glUniform1i(location(other, "diffuseMap0"), 6);

    QCOMPARE(m.diffuseTextureId(), 0u);
    const GLuint diffuse = newTexture();
    m.textures.insert(TextureDiffuse, diffuse);
    QCOMPARE(m.diffuseTextureId(), diffuse);
    GLint current = 0;
    gl->glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(GLuint(current), programId(other));
    QCOMPARE(uniformI(own, "diffuseMap0"), 0);
    QCOMPARE(uniformI(other, "diffuseMap0"), 6);
    verifyNoGlError();
}

void TestMaterialGl::loaderChoosesProgramsByEffect()
{
    QDomDocument doc;
    doc.setContent(
        QByteArrayLiteral("<material><fx>shaders/std_effects/PBS_ext_dual.fx</fx></material>"));
    QList<Material *> pair = mMaterials->loadMaterial(doc.documentElement().childNodes(), true);
    QCOMPARE(pair.at(0)->program, mShaders->program(ShaderBumpedPbsDual));
    QCOMPARE(pair.at(1)->program, mShaders->program(ShaderNoLightingDual));
    qDeleteAll(pair);

    pair = mMaterials->createCollisionMaterials(doc.documentElement().childNodes());
    QCOMPARE(pair.at(0)->program, mShaders->program(ShaderCollisionLighting));
    QCOMPARE(pair.at(1)->program, mShaders->program(ShaderCollisionNoLighting));
    qDeleteAll(pair);

    mTextures->gridTexture = newTexture();
    mMaterials->createDefaultMaterials();
    QCOMPARE(mMaterials->defaultMaterials.size(), 2);
    // Lit without a normal or specular map to read.
    QCOMPARE(mMaterials->defaultMaterials.at(0)->program, mShaders->program(ShaderLightingOnly));
    QCOMPARE(mMaterials->defaultMaterials.at(1)->program, mShaders->program(ShaderNoLighting));
    for (const Material *m : std::as_const(mMaterials->defaultMaterials)) {
        QCOMPARE(m->textures.value(TextureDiffuse), mTextures->gridTexture);
    }
    QCOMPARE(mMaterials->wireframeMaterial->program, mShaders->program(ShaderWireframe));
    QCOMPARE(mMaterials->depthMaterial->program, mShaders->program(ShaderDepth));

    // The default material binds like any other: the grid texture on unit 0.
    mMaterials->defaultMaterials.at(1)->bind();
    QCOMPARE(boundOnUnit(0), mTextures->gridTexture);
    verifyNoGlError();
}

QTEST_MAIN(TestMaterialGl)
#include "test_material_gl.moc"

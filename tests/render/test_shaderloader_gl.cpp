#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "render/offscreengl.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>
#include <memory>

// Builds the shipped programs, and broken copies of the folder, on a real context.
class TestShaderLoaderGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyShippedProgramLinks();
    void attributesSitAtTheirLocations();
    void uniformsAreRegistered();
    void shadowIsComparedByHand_data();
    void shadowIsComparedByHand();
    void bakeMixesLikeTheSwatch_data();
    void bakeMixesLikeTheSwatch();
    void brokenFontStopsBeforeTheSpecialPrograms();
    void missingFileIsFatalAndFailsTheBuild();

private:
    // A copy of the shipped folder the test may damage.
    QString copyOfShaders(QTemporaryDir &dir) const;
    GLuint programId(ShaderProgram *program) const { return program->program->programId(); }
    GLuint texture1x1(const QColor &colour);
    // Draws a quad over the bound 2 x 2 target (position at 0, uv at 1) with the
    // bound program and answers the pixel at (1, 1).
    std::array<unsigned char, 4> drawQuad();

    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    std::unique_ptr<ShaderLoader> mShipped;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    QList<MessageBoxRequest> mBoxes;
    QString mShippedDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
};

void TestShaderLoaderGl::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();
    setMessageBoxHandler([this](const MessageBoxRequest &request) {
        mBoxes << request;
        return int(QMessageBox::Ok);
    });

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);

    mShipped = std::make_unique<ShaderLoader>(nullptr, mShippedDir);
    QVERIFY2(mShipped->buildShaders(), qPrintable(mLog->text(Error)));
}

void TestShaderLoaderGl::cleanupTestCase()
{
    if (mContext) {
        mContext->makeCurrent(mSurface.get());
    }
    mShipped.reset();
    if (mContext) {
        mContext->doneCurrent();
    }
    setMessageBoxHandler(nullptr);
    resetFatalErrorState();
}

void TestShaderLoaderGl::init()
{
    mBoxes.clear();
    resetFatalErrorState();
}

QString TestShaderLoaderGl::copyOfShaders(QTemporaryDir &dir) const
{
    const QDir source(mShippedDir);
    for (const QString &file : source.entryList(QDir::Files)) {
        if (!QFile::copy(source.filePath(file), dir.filePath(file))) {
            return QString();
        }
    }
    return dir.path();
}

void TestShaderLoaderGl::everyShippedProgramLinks()
{
    QCOMPARE(mLog->text(Error), QString());
    QCOMPARE(mBoxes.size(), 0);
    QCOMPARE(ShaderLoader::instance(), mShipped.get());
    for (int id = 0; id < SHADER_COUNT; ++id) {
        ShaderProgram *program = mShipped->program(ShaderId(id));
        QVERIFY2(program, qPrintable(QString::number(id)));
        QCOMPARE(program->name, ShaderLoader::shaderName(ShaderId(id)));
        QVERIFY(program->program->isLinked());
        QVERIFY(!program->hasGeometry);
    }
    QVERIFY(!mShipped->program(ShaderId(15)));
    QVERIFY(mShipped->camoSaverProgram && mShipped->camoSaverProgram->program->isLinked());
    QVERIFY(mShipped->lineProgram && mShipped->lineProgram->program->isLinked());
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestShaderLoaderGl::attributesSitAtTheirLocations()
{
    const QStringList names = ShaderLoader::attributeNames();
    for (int id = 0; id < SHADER_COUNT; ++id) {
        const GLuint program = programId(mShipped->program(ShaderId(id)));
        for (int location = 0; location < names.size(); ++location) {
            // An attribute a program does not read is inactive (-1); every
            // active one must sit at its fixed location.
            const GLint found =
                gl->glGetAttribLocation(program, names.at(location).toLatin1().constData());
            QVERIFY2(found == -1 || found == location,
                     qPrintable(
                         QStringLiteral("%1 %2 at %3").arg(id).arg(names.at(location)).arg(found)));
        }
    }
    // Spot checks that the inputs are actually read where the data will be.
    const GLuint bumped = programId(mShipped->program(ShaderBumped));
    QCOMPARE(gl->glGetAttribLocation(bumped, "iVertPos"), 0);
    QCOMPARE(gl->glGetAttribLocation(bumped, "iTexCoord0"), 1);
    QCOMPARE(gl->glGetAttribLocation(bumped, "iNormal"), 4);
    QCOMPARE(gl->glGetAttribLocation(bumped, "iBinormal"), 5);
    QCOMPARE(gl->glGetAttribLocation(bumped, "iTangent"), 6);
    QCOMPARE(gl->glGetAttribLocation(programId(mShipped->program(ShaderBumpedDual)), "iTexCoord1"),
             2);
    QCOMPARE(gl->glGetAttribLocation(programId(mShipped->program(ShaderGrid)), "iGeneric0"), 7);
    QCOMPARE(
        gl->glGetAttribLocation(programId(mShipped->program(ShaderCollisionLighting)), "iNormal"),
        4);
    const GLuint camo = programId(mShipped->camoSaverProgram);
    QCOMPARE(gl->glGetAttribLocation(camo, "iVertPos"), 0);
    QCOMPARE(gl->glGetAttribLocation(camo, "iTexCoord0"), 1);
    const GLuint line = programId(mShipped->lineProgram);
    QCOMPARE(gl->glGetAttribLocation(line, "iVertPos"), 0);
    QCOMPARE(gl->glGetAttribLocation(line, "iColorPos"), 1);
}

void TestShaderLoaderGl::uniformsAreRegistered()
{
    for (int id = 0; id < SHADER_COUNT; ++id) {
        ShaderProgram *program = mShipped->program(ShaderId(id));
        for (const QString &name : ShaderLoader::uniformNames()) {
            QVERIFY2(program->isRegistered(name), qPrintable(name));
            QCOMPARE(program->uniform(name),
                     gl->glGetUniformLocation(programId(program), name.toLatin1().constData()));
        }
        QCOMPARE(program->isRegistered(QStringLiteral("mvp")), id == ShaderGrid);
    }

    // What each material actually sends must reach the shader.
    struct Used
    {
        ShaderProgram *program;
        QStringList names;
    };
    const QList<Used> used = {
        {mShipped->program(ShaderBumped),
         {"diffuseMap0",   "normalMap",     "specularMap",  "shadowMap",    "alphaRef",
          "ModelViewProj", "ModelView",     "ModelView3",   "View",         "DepthBias",
          "lightPos",      "lightDiffuse",  "lightAmbient", "camoTiling",   "camoColor0",
          "camoColor3",    "camoEnabled",   "camoMap",      "exclusionMap", "shadowDivide",
          "shadowSamples", "shadowEnabled", "dxt1NormalMap"}},
        {mShipped->program(ShaderBumpedDual), {"diffuseMap1"}},
        {mShipped->program(ShaderBumpedPbs),
         {"glossMap", "detailMap", "detailMetallic", "detailTile", "detailPower", "normalMap",
          "shadowMap", "camoMap"}},
        {mShipped->program(ShaderNoLighting), {"diffuseMap0", "ModelViewProj", "camoMap"}},
        {mShipped->program(ShaderCollisionLighting), {"diffuseColor", "lightPos"}},
        {mShipped->program(ShaderCollisionNoLighting), {"diffuseColor"}},
        {mShipped->program(ShaderWireframe), {"ModelViewProj", "diffuseColor"}},
        {mShipped->program(ShaderDepth), {"ModelViewProj"}},
        {mShipped->program(ShaderFont), {"diffuseMap0"}},
        {mShipped->program(ShaderGrid), {"mvp"}},
        {mShipped->camoSaverProgram,
         {"diffuseMap0", "exclusionMap", "camoMap", "camoTiling", "camoColor0", "camoColor1",
          "camoColor2", "camoColor3"}},
        {mShipped->lineProgram, {"ModelViewProj"}},
    };
    for (const Used &u : used) {
        for (const QString &name : u.names) {
            QVERIFY2(u.program->uniform(name) >= 0, qPrintable(u.program->name + ' ' + name));
        }
    }

    // The grid's matrix reaches its own location, an unknown name goes nowhere.
    ShaderProgram *grid = mShipped->program(ShaderGrid);
    QCOMPARE(grid->uniform(QStringLiteral("mvp")),
             gl->glGetUniformLocation(programId(grid), "mvp"));
    QCOMPARE(grid->uniform(QStringLiteral("noSuchUniform")), -1);
    QCOMPARE(mShipped->program(ShaderBumped)->uniform(QStringLiteral("mvp")), -1);
}

GLuint TestShaderLoaderGl::texture1x1(const QColor &colour)
{
    const std::array<unsigned char, 4> texel = {
        static_cast<unsigned char>(colour.red()), static_cast<unsigned char>(colour.green()),
        static_cast<unsigned char>(colour.blue()), static_cast<unsigned char>(colour.alpha())};
    GLuint id = 0;
    gl->glGenTextures(1, &id);
    gl->glBindTexture(GL_TEXTURE_2D, id);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return id;
}

std::array<unsigned char, 4> TestShaderLoaderGl::drawQuad()
{
    const float quad[] = {1, 1, 0, 1, 1, -1, 1, 0, 0, 1, 1, -1, 0, 1, 0, -1, -1, 0, 0, 0};
    GLuint vao = 0;
    GLuint vbo = 0;
    gl->glGenVertexArrays(1, &vao);
    gl->glBindVertexArray(vao);
    gl->glGenBuffers(1, &vbo);
    gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
    gl->glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, nullptr);
    gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, reinterpret_cast<void *>(12));
    gl->glEnableVertexAttribArray(0);
    gl->glEnableVertexAttribArray(1);
    gl->glClearColor(0, 0, 0, 0);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    std::array<unsigned char, 4> pixel = {};
    gl->glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    gl->glBindVertexArray(0);
    gl->glDeleteBuffers(1, &vbo);
    gl->glDeleteVertexArrays(1, &vao);
    return pixel;
}

void TestShaderLoaderGl::shadowIsComparedByHand_data()
{
    QTest::addColumn<float>("storedDepth");
    QTest::addColumn<bool>("shadowEnabled");
    QTest::addColumn<bool>("inShadow");

    // The quad sits at depth 0.5 as the light sees it.
    QTest::newRow("occluder in front") << 0.0f << true << true;
    QTest::newRow("nothing in front") << 1.0f << true << false;
    QTest::newRow("shadows off") << 0.0f << false << false;
}

void TestShaderLoaderGl::shadowIsComparedByHand()
{
    QFETCH(float, storedDepth);
    QFETCH(bool, shadowEnabled);
    QFETCH(bool, inShadow);

    QOpenGLFramebufferObject target(2, 2);
    QVERIFY(target.bind());
    gl->glViewport(0, 0, 2, 2);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);

    const GLuint diffuse = texture1x1(QColor(255, 255, 255, 255));
    GLuint shadowMap = 0;
    gl->glActiveTexture(GL_TEXTURE7);
    gl->glGenTextures(1, &shadowMap);
    gl->glBindTexture(GL_TEXTURE_2D, shadowMap);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 1, 1, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     &storedDepth);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, diffuse);

    ShaderProgram *lit = mShipped->program(ShaderLightingOnly);
    lit->program->bind();
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float identity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float bias[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1};
    for (const char *name : {"ModelViewProj", "ModelView", "Model", "View"}) {
        gl->glUniformMatrix4fv(lit->uniform(QString::fromLatin1(name)), 1, GL_FALSE, identity);
    }
    gl->glUniformMatrix3fv(lit->uniform(QStringLiteral("ModelView3")), 1, GL_FALSE, identity3);
    gl->glUniformMatrix4fv(lit->uniform(QStringLiteral("DepthBias")), 1, GL_FALSE, bias);
    gl->glUniform1i(lit->uniform(QStringLiteral("diffuseMap0")), 0);
    gl->glUniform1i(lit->uniform(QStringLiteral("shadowMap")), 7);
    gl->glUniform1f(lit->uniform(QStringLiteral("shadowDivide")), 90.0f);
    gl->glUniform1f(lit->uniform(QStringLiteral("shadowSamples")), 8.0f);
    gl->glUniform1i(lit->uniform(QStringLiteral("shadowEnabled")), shadowEnabled ? 1 : 0);
    gl->glUniform1i(lit->uniform(QStringLiteral("camoEnabled")), 0);
    gl->glUniform1f(lit->uniform(QStringLiteral("alphaRef")), 0.0f);
    gl->glUniform3f(lit->uniform(QStringLiteral("lightPos")), 0, 0, 10);
    gl->glUniform3f(lit->uniform(QStringLiteral("lightDiffuse")), 0.5f, 0.5f, 0.5f);
    gl->glUniform3f(lit->uniform(QStringLiteral("lightAmbient")), 0.25f, 0.25f, 0.25f);
    // The normal is constant: facing the light.
    mContext->functions()->glVertexAttrib3f(4, 0, 0, 1);
    const std::array<unsigned char, 4> pixel = drawQuad();
    lit->program->release();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    gl->glDeleteTextures(1, &diffuse);
    gl->glDeleteTextures(1, &shadowMap);
    target.release();

    // Ambient only in shadow; ambient plus almost all of the diffuse light otherwise.
    const int expected = inShadow ? 64 : 191;
    QVERIFY2(std::abs(int(pixel[0]) - expected) <= 2,
             qPrintable(QStringLiteral("%1, expected %2").arg(pixel[0]).arg(expected)));
}

void TestShaderLoaderGl::bakeMixesLikeTheSwatch_data()
{
    QTest::addColumn<QColor>("diffuse");
    QTest::addColumn<QColor>("camo");
    QTest::addColumn<QColor>("exclusion");

    QTest::newRow("all four colours")
        << QColor(200, 100, 50, 255) << QColor(255, 128, 0, 64) << QColor(255, 255, 255, 255);
    QTest::newRow("black camouflage keeps the texture")
        << QColor(200, 100, 50, 255) << QColor(0, 0, 0, 0) << QColor(255, 255, 255, 255);
    QTest::newRow("excluded keeps the texture")
        << QColor(200, 100, 50, 255) << QColor(255, 255, 255, 255) << QColor(0, 0, 0, 255);
    QTest::newRow("texture alpha survives")
        << QColor(30, 60, 90, 100) << QColor(0, 255, 255, 255) << QColor(255, 255, 255, 255);
}

void TestShaderLoaderGl::bakeMixesLikeTheSwatch()
{
    QFETCH(QColor, diffuse);
    QFETCH(QColor, camo);
    QFETCH(QColor, exclusion);
    const std::array<QColor, 4> colours = {QColor(10, 200, 30, 255), QColor(250, 250, 0, 128),
                                           QColor(0, 0, 255, 255), QColor(90, 60, 30, 255)};

    // The swatch's own sum, started from the texture colour instead of the armour colour.
    double expected[3] = {diffuse.red() / 255.0, diffuse.green() / 255.0, diffuse.blue() / 255.0};
    const double channel[4] = {camo.red() / 255.0, camo.green() / 255.0, camo.blue() / 255.0,
                               camo.alpha() / 255.0};
    if (exclusion.red() != 0) {
        for (int k = 0; k < 4; ++k) {
            const double t = channel[k] * (colours[k].alpha() / 255.0);
            const double c[3] = {colours[k].red() / 255.0, colours[k].green() / 255.0,
                                 colours[k].blue() / 255.0};
            for (int i = 0; i < 3; ++i) {
                expected[i] += (c[i] - expected[i]) * t;
            }
        }
    }

    QOpenGLFramebufferObject target(2, 2);
    QVERIFY(target.bind());
    gl->glViewport(0, 0, 2, 2);
    const GLuint textures[3] = {texture1x1(diffuse), texture1x1(exclusion), texture1x1(camo)};
    for (int unit = 0; unit < 3; ++unit) {
        gl->glActiveTexture(GL_TEXTURE0 + unit);
        gl->glBindTexture(GL_TEXTURE_2D, textures[unit]);
    }

    ShaderProgram *bake = mShipped->camoSaverProgram;
    bake->program->bind();
    gl->glUniform1i(bake->uniform(QStringLiteral("diffuseMap0")), 0);
    gl->glUniform1i(bake->uniform(QStringLiteral("exclusionMap")), 1);
    gl->glUniform1i(bake->uniform(QStringLiteral("camoMap")), 2);
    gl->glUniform4f(bake->uniform(QStringLiteral("camoTiling")), 1, 1, 0, 0);
    for (int k = 0; k < 4; ++k) {
        gl->glUniform4f(bake->uniform(QStringLiteral("camoColor%1").arg(k)),
                        colours[k].red() / 255.0f, colours[k].green() / 255.0f,
                        colours[k].blue() / 255.0f, colours[k].alpha() / 255.0f);
    }
    gl->glDisable(GL_BLEND);
    const std::array<unsigned char, 4> pixel = drawQuad();
    bake->program->release();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    gl->glDeleteTextures(3, textures);
    gl->glActiveTexture(GL_TEXTURE0);
    target.release();

    for (int i = 0; i < 3; ++i) {
        QVERIFY2(std::abs(pixel[i] - expected[i] * 255.0) <= 1.5,
                 qPrintable(QStringLiteral("channel %1: %2, expected %3")
                                .arg(i)
                                .arg(pixel[i])
                                .arg(expected[i] * 255.0)));
    }
    QCOMPARE(int(pixel[3]), diffuse.alpha());
}

void TestShaderLoaderGl::brokenFontStopsBeforeTheSpecialPrograms()
{
    QTemporaryDir dir;
    const QString folder = copyOfShaders(dir);
    QVERIFY(!folder.isEmpty());
    // One loader at a time: the shipped one has served the cases above.
    mShipped.reset();
    QFile font(folder + QStringLiteral("/font.frag"));
    QVERIFY(font.open(QIODevice::WriteOnly | QIODevice::Truncate));
    font.write("#version 150\nout vec4 c;\nvoid main() { c = undeclared; }\n");
    font.close();

    const QString before = mLog->text(Error);
    {
        ShaderLoader loader(nullptr, folder);
        QVERIFY(!loader.buildShaders());
        for (int id = 0; id < SHADER_COUNT; ++id) {
            QCOMPARE(loader.program(ShaderId(id)) == nullptr, id == ShaderFont);
        }
        QVERIFY(!loader.camoSaverProgram);
        QVERIFY(!loader.lineProgram);
        const QString errors = mLog->text(Error).mid(before.size());
        QCOMPARE(errors.count(QStringLiteral("Shader load error: ")), 1);
        QVERIFY(!errors.contains(QStringLiteral("Failed to link")));
        QCOMPARE(mBoxes.size(), 0);
    }
    QVERIFY(!ShaderLoader::instance());
}

void TestShaderLoaderGl::missingFileIsFatalAndFailsTheBuild()
{
    QTemporaryDir dir;
    const QString folder = copyOfShaders(dir);
    QVERIFY(!folder.isEmpty());
    QVERIFY(QFile::remove(folder + QStringLiteral("/depth.frag")));
    mShipped.reset();

    const QString before = mLog->text(Error);
    ShaderLoader loader(nullptr, folder);
    QVERIFY(!loader.buildShaders());
    const QString path = folder + QStringLiteral("/depth.frag");
    const QString errors = mLog->text(Error).mid(before.size());
    QVERIFY2(errors.contains(QStringLiteral("Failed to open shader: ") + path), qPrintable(errors));
    QCOMPARE(mBoxes.size(), 1);
    QVERIFY(mBoxes.first().text.startsWith(QStringLiteral("Failed to open shader: ") + path));
    // The build went on: only the program with the empty text is missing.
    QVERIFY(!loader.program(ShaderDepth));
    QVERIFY(loader.program(ShaderFont));
    QVERIFY(loader.program(ShaderBumpedPbsDual));
}

QTEST_MAIN(TestShaderLoaderGl)
#include "test_shaderloader_gl.moc"

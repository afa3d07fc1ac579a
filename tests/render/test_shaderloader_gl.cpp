#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"

#include <QDir>
#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTemporaryDir>
#include <QTest>

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
    void brokenFontStopsBeforeTheSpecialPrograms();
    void missingFileIsFatalAndFailsTheBuild();

private:
    // A copy of the shipped folder the test may damage.
    QString copyOfShaders(QTemporaryDir &dir) const;
    GLuint programId(ShaderProgram *program) const { return program->program->programId(); }

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

    QSurfaceFormat format;
    format.setVersion(3, 2);
    format.setProfile(QSurfaceFormat::CoreProfile);
    mContext = std::make_unique<QOpenGLContext>();
    mContext->setFormat(format);
    if (!mContext->create()) {
        QSKIP("no OpenGL 3.2 core context");
    }
    mSurface = std::make_unique<QOffscreenSurface>();
    mSurface->setFormat(mContext->format());
    mSurface->create();
    QVERIFY(mContext->makeCurrent(mSurface.get()));
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(mContext.get());
    QVERIFY(gl);
    QVERIFY(gl->initializeOpenGLFunctions());

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
                     qPrintable(QStringLiteral("%1 %2 at %3")
                                    .arg(id)
                                    .arg(names.at(location))
                                    .arg(found)));
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
    QCOMPARE(gl->glGetAttribLocation(programId(mShipped->program(ShaderCollisionLighting)),
                                     "iNormal"),
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
         {"diffuseMap0", "normalMap", "specularMap", "shadowMap", "alphaRef", "ModelViewProj",
          "ModelView", "ModelView3", "View", "DepthBias", "lightPos", "lightDiffuse",
          "lightAmbient", "camoTiling", "camoColor0", "camoColor3", "camoEnabled", "camoMap",
          "exclusionMap", "shadowDivide", "shadowSamples", "shadowEnabled", "dxt1NormalMap"}},
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

void TestShaderLoaderGl::brokenFontStopsBeforeTheSpecialPrograms()
{
    QTemporaryDir dir;
    const QString folder = copyOfShaders(dir);
    QVERIFY(!folder.isEmpty());
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
    // The scoped loader took over and then cleared the global instance.
    QVERIFY(!ShaderLoader::instance());
}

void TestShaderLoaderGl::missingFileIsFatalAndFailsTheBuild()
{
    QTemporaryDir dir;
    const QString folder = copyOfShaders(dir);
    QVERIFY(!folder.isEmpty());
    QVERIFY(QFile::remove(folder + QStringLiteral("/depth.frag")));

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

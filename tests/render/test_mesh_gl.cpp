#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/objexport.h"
#include "render/offscreengl.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/staticmesh.h"
#include "render/tankmesh.h"
#include "render/textureloader.h"
#include "render/transformstack.h"
#include "render/visual.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/visualnode.h"

#include "support/servicestack.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QOpenGLFramebufferObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

const QString SAMPLE = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
const QString TANK = QStringLiteral("vehicles/velmora/V04_Warden/normal/lod0/");
const char *const PART_FILES[4] = {"Chassis.model", "Hull.model", "Turret_01.model",
                                   "Gun_01.model"};

class FakeTank : public TankMeshHooks
{
public:
    int shownForm() const override { return shown; }
    int loadingForm() const override { return 0; }
    Mesh *partMesh(quint32 part, int form) const override
    {
        return part < 4 && form == 0 ? parts[part].get() : nullptr;
    }
    TransformStack *transformStack() override { return &stack; }
    TankCamouflage camouflage() const override { return camo; }

    int shown = 0;
    std::unique_ptr<TankMesh> parts[4];
    TransformStack stack;
    TankCamouflage camo;
};

int countLines(const QString &text, const QString &needle)
{
    return text.count(needle);
}

} // namespace

// Draws and exports a tank of the sample game with its materials on a real context.
class TestMeshGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, FileManager, Settings>> mServices;

private:
    QTemporaryDir mTemp;
    QString mOldCwd;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    std::unique_ptr<ShaderLoader> mShaders;
    LightRecord mLight;
    GLenum mLastGlError = GL_NO_ERROR;
    FakeTank mTank;

    QString modDir() const { return mTemp.filePath(QStringLiteral("mod")); }

    bool loadTank()
    {
        for (quint32 part = 0; part < 4; ++part) {
            mTank.parts[part] = std::make_unique<TankMesh>();
            mTank.parts[part]->setTankHooks(&mTank);
            if (!mTank.parts[part]->load(TANK + QLatin1String(PART_FILES[part]), glm::vec3(0.0f),
                                         part, true)) {
                return false;
            }
        }
        return true;
    }

    void lookAtTank(int width, int height)
    {
        MatrixStack *stack = MatrixStack::instance();
        stack->projection =
            glm::perspective(glm::radians(40.0f), float(width) / float(height), 0.1f, 100.0f);
        stack->view = glm::lookAt(glm::vec3(6.0f, 4.0f, 7.0f), glm::vec3(0.0f, 0.8f, 0.0f),
                                  glm::vec3(0.0f, 1.0f, 0.0f));
        stack->normalMatrix = glm::inverseTranspose(glm::mat3(stack->view));
    }

    // One frame of the four parts into a fresh framebuffer.
    QImage drawFrame(Material *overrideMaterial = nullptr)
    {
        const int width = 640;
        const int height = 480;
        QOpenGLFramebufferObject fbo(width, height, QOpenGLFramebufferObject::Depth);
        fbo.bind();
        lookAtTank(width, height);
        gl->glViewport(0, 0, width, height);
        gl->glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mTank.stack.current = glm::mat4(1.0f);
        drainGlErrors();
        for (const auto &part : mTank.parts) {
            part->draw(false, true, overrideMaterial, nullptr);
        }
        // Read before toImage(), which may consume the error flag.
        mLastGlError = gl->glGetError();
        gl->glDisable(GL_DEPTH_TEST);
        const QImage image = fbo.toImage();
        fbo.release();
        return image;
    }

    static void saveArtifact(const QImage &image, const QString &name)
    {
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QDir().mkpath(dir);
        image.save(dir + QLatin1Char('/') + name);
    }

    // Errors left by set-up steps that are not under test here.
    void drainGlErrors()
    {
        for (int i = 0; i < 16 && gl->glGetError() != GL_NO_ERROR; ++i) { }
    }

    QString errors() const { return Log::instance()->text(Error); }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        const QDir root(mTemp.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("data"))
                && root.mkpath(QStringLiteral("mod")));
        QVERIFY(QFile::copy(SAMPLE + QStringLiteral("/data/resources.cfg"),
                            mTemp.filePath(QStringLiteral("data/resources.cfg"))));
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        mTemp.filePath(QStringLiteral("data/") + file));
        }
        QCOMPARE(
            QProcess::execute(QStringLiteral("python3"),
                              {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                               mTemp.filePath(QStringLiteral("data/settings.cfg")), SAMPLE}),
            0);
        mOldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mTemp.filePath(QStringLiteral("bin"))));
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });

        mServices = std::make_unique<ServiceStack<Log, FileManager, Settings>>();
        Settings::instance()->modPath = modDir();
        FileManager::instance()->loadZipFiles();

        HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
        mShaders = std::make_unique<ShaderLoader>(
            nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
        QVERIFY2(mShaders->buildShaders(), qPrintable(errors()));
        new BufferManager();
        new MatrixStack();
        new TextureLoader();
        new MaterialLoader();
        MaterialLoader::instance()->light = &mLight;
        MaterialLoader::instance()->createDefaultMaterials();
        QVERIFY(loadTank());
    }

    void cleanupTestCase()
    {
        if (mContext) {
            mContext->makeCurrent(mSurface.get());
        }
        for (auto &part : mTank.parts) {
            part.reset();
        }
        delete MaterialLoader::instance();
        delete TextureLoader::instance();
        delete MatrixStack::instance();
        delete BufferManager::instance();
        mShaders.reset();
        if (mContext) {
            mContext->doneCurrent();
        }
        mServices.reset();
        setMessageBoxHandler(nullptr);
        QDir::setCurrent(mOldCwd);
    }

    void placesPartsOnTheHardPoints()
    {
        // The turret sits on the hull's joint, the gun on the turret's.
        QCOMPARE(mTank.parts[2]->position, glm::vec3(0.18f, 1.0185f, 0.7241f));
        const VisualNode *gunJoint =
            findVisualNode(*mTank.parts[2]->visual, QStringLiteral("HP_gunJoint"));
        QVERIFY(gunJoint);
        QCOMPARE(mTank.parts[3]->position, gunJoint->translation);
        QVERIFY(gunJoint->translation != glm::vec3(0.0f));
    }

    void drawsTheTankWithItsMaterials()
    {
        mTank.camo = TankCamouflage();
        const QImage image = drawFrame();
        QCOMPARE(int(mLastGlError), int(GL_NO_ERROR));
        saveArtifact(image, QStringLiteral("mesh_V04_Warden.png"));

        const QRgb background = qRgb(51, 77, 102);
        int covered = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y) | 0xff000000u;
                if (qAbs(qRed(p) - qRed(background)) + qAbs(qGreen(p) - qGreen(background))
                        + qAbs(qBlue(p) - qBlue(background))
                    > 6) {
                    ++covered;
                    colours.insert(p);
                }
            }
        }
        // The tank fills a good part of the frame, shaded and textured rather than flat.
        QVERIFY2(covered > image.width() * image.height() / 20,
                 qPrintable(QString::number(covered)));
        QVERIFY2(colours.size() > 200, qPrintable(QString::number(colours.size())));
        // Every texture of the tank was found.
        const QString warnings = Log::instance()->text(Warning) + errors();
        QVERIFY2(!warnings.contains(QLatin1String("V04_Warden/")), qPrintable(warnings));
    }

    void camouflageShowsInTheFirstFrame()
    {
        mTank.camo = TankCamouflage();
        const QImage plain = drawFrame();

        TextureLoader *textures = TextureLoader::instance();
        mTank.camo.overlay = true;
        mTank.camo.texture =
            textures->getSharedTexture(QStringLiteral("vehicles/camouflage/velmora_summer_1.dds"));
        const QString mask = QStringLiteral("vehicles/velmora/V04_Warden/Hull_CM.dds");
        QVERIFY(textures->getTexture(mask) != 0);
        mTank.camo.hullMask = mask;
        mTank.camo.chassisMask = mask;
        mTank.camo.turretMask = QStringLiteral("vehicles/velmora/V04_Warden/Turret_CM.dds");
        mTank.camo.gunMask = QStringLiteral("vehicles/velmora/V04_Warden/Gun_CM.dds");
        textures->getTexture(mTank.camo.turretMask);
        textures->getTexture(mTank.camo.gunMask);
        for (glm::vec4 &colour : mTank.camo.colors) {
            colour = glm::vec4(255.0f, 0.0f, 0.0f, 255.0f);
        }
        const QImage camouflaged = drawFrame();
        saveArtifact(camouflaged, QStringLiteral("mesh_V04_Warden_camouflage.png"));
        QVERIFY(camouflaged != plain);

        // In the destroyed form the same settings give the plain picture.
        mTank.shown = 1;
        const QImage destroyed = drawFrame();
        mTank.shown = 0;
        QCOMPARE(destroyed, plain);

        // Switched off, the next frame has no camouflage left over.
        mTank.camo.overlay = false;
        QCOMPARE(drawFrame(), plain);
    }

    void sharedOverrideMaterialTakesEachGroupsDecision()
    {
        // The chassis draws "chassis" and then "track_L" with one shared material: the
        // uniform must end at the track's own decision, not the group's before it.
        mTank.camo.overlay = true;
        mTank.camo.chassisMask = QStringLiteral("vehicles/velmora/V04_Warden/Hull_CM.dds");
        Material *shared = MaterialLoader::instance()->defaultMaterials.at(0);
        QVERIFY(shared->program);
        mTank.stack.current = glm::mat4(1.0f);
        mTank.parts[0]->draw(false, true, shared, nullptr);
        QCOMPARE(shared->identifier, QStringLiteral("track_L"));
        const GLuint program = shared->program->program->programId();
        GLint camo = -1;
        gl->glGetUniformiv(program, gl->glGetUniformLocation(program, "camoEnabled"), &camo);
        QCOMPARE(camo, 0);
        mTank.camo.overlay = false;
    }

    void missingMaskIsReportedOnce()
    {
        mTank.camo.overlay = true;
        mTank.camo.hullMask = QStringLiteral("vehicles\\velmora\\V04_Warden\\Nowhere_CM.dds");
        const int before = countLines(errors(), QStringLiteral("Nowhere_CM.dds"));
        drawFrame();
        drawFrame();
        drawFrame();
        QCOMPARE(countLines(errors(), QStringLiteral("Nowhere_CM.dds")), before + 1);
        mTank.camo.overlay = false;
    }

    void maskLoadedAfterItsMissIsUsed()
    {
        // Hull groups bind the hull's mask on unit 8 and leave it there.
        auto hullMaskBound = [this]() {
            gl->glActiveTexture(GL_TEXTURE8);
            gl->glBindTexture(GL_TEXTURE_2D, 0);
            gl->glActiveTexture(GL_TEXTURE0);
            mTank.stack.current = glm::mat4(1.0f);
            mTank.parts[1]->draw(false, true, nullptr, nullptr);
            GLint bound = -1;
            gl->glActiveTexture(GL_TEXTURE8);
            gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            gl->glActiveTexture(GL_TEXTURE0);
            return bound;
        };
        TextureLoader *textures = TextureLoader::instance();
        const GLuint real =
            textures->getTexture(QStringLiteral("vehicles/velmora/V04_Warden/Hull_CM.dds"));
        QVERIFY(real != 0 && real != textures->noTexture);
        mTank.camo.overlay = true;
        mTank.camo.hullMask = QStringLiteral("vehicles\\velmora\\V04_Warden\\Later_CM.dds");
        const int before = countLines(errors(), QStringLiteral("Later_CM.dds"));
        QCOMPARE(hullMaskBound(), 0);
        QCOMPARE(hullMaskBound(), 0);
        QCOMPARE(countLines(errors(), QStringLiteral("Later_CM.dds")), before + 1);

        const QString cached = QStringLiteral("vehicles/velmora/V04_Warden/Later_CM.dds");
        textures->tankTextures.insert(cached, real);
        const GLint found = hullMaskBound();
        textures->tankTextures.remove(cached);
        mTank.camo.overlay = false;
        QCOMPARE(found, GLint(real));
        QCOMPARE(countLines(errors(), QStringLiteral("Later_CM.dds")), before + 1);
    }

    void staticMeshDrawsByItsOwnMatrix()
    {
        QVERIFY(FileManager::instance()->addArchive(
            SAMPLE + QStringLiteral("/Brastel/res/packages/hangar_basic.pkg"), false));
        StaticMesh floor;
        const glm::mat4 placement = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, -0.5f, 0.0f));
        QVERIFY(floor.load(QStringLiteral("spaces/hangar_basic/floor.model"), placement));
        QCOMPARE(floor.model, placement);
        QVERIFY(!floor.geometries.isEmpty());

        // A failed load leaves the matrix as it was.
        StaticMesh missing;
        QVERIFY(!missing.load(QStringLiteral("spaces/nowhere/floor.model"), placement));
        QCOMPARE(missing.model, glm::mat4(1.0f));

        // Not exported.
        const QStringList before =
            QDir(modDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY(!floor.exportObj());
        QCOMPARE(QDir(modDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

        const int width = 320;
        const int height = 240;
        QOpenGLFramebufferObject fbo(width, height, QOpenGLFramebufferObject::Depth);
        fbo.bind();
        lookAtTank(width, height);
        gl->glViewport(0, 0, width, height);
        gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // The transform stack plays no part, and hidden is ignored.
        mTank.stack.current = glm::scale(glm::mat4(1.0f), glm::vec3(0.0f));
        drainGlErrors();
        floor.draw(true, false, nullptr, nullptr);
        QCOMPARE(int(gl->glGetError()), int(GL_NO_ERROR));
        const QImage image = fbo.toImage();
        fbo.release();
        const MatrixStack *stack = MatrixStack::instance();
        QCOMPARE(floor.modelView, stack->view * placement);
        QCOMPARE(floor.mvp, stack->projection * floor.modelView);
        QVERIFY(image != QImage(width, height, image.format()));
        int lit = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                lit += (image.pixel(x, y) & 0xffffffu) != 0 ? 1 : 0;
            }
        }
        QVERIFY2(lit > width * height / 20, qPrintable(QString::number(lit)));
        saveArtifact(image, QStringLiteral("mesh_hangar_floor.png"));
        floor.clear();
        QVERIFY(floor.geometries.isEmpty());
        QVERIFY(floor.visual->renderSets.empty());
    }

    void exportsTheHullForAssimp()
    {
        TankMesh &hull = *mTank.parts[1];
        mTank.stack.current = glm::mat4(1.0f);
        // The folder of the model does not exist yet: the export makes it.
        QVERIFY(!QFileInfo::exists(modDir() + QStringLiteral("/vehicles")));
        QVERIFY(hull.exportObj());
        const QString file = modDir() + QLatin1Char('/') + TANK + QStringLiteral("Hull_0.obj");
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(hull.geometries.size(), 1);
        const VisualGeometry &geometry = *hull.geometries[0];

        const QString assimp = QStandardPaths::findExecutable(QStringLiteral("assimp"));
        if (assimp.isEmpty()) {
            QSKIP("assimp is not installed");
        }
        const QString dumpName = mTemp.filePath(QStringLiteral("hull.assxml"));
        QProcess process;
        process.start(assimp, {QStringLiteral("dump"), file, dumpName, QStringLiteral("-x")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QFile dump(dumpName);
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QDomDocument doc;
        QVERIFY(doc.setContent(&dump));
        const QDomElement mesh = doc.documentElement()
                                     .firstChildElement(QStringLiteral("Scene"))
                                     .firstChildElement(QStringLiteral("MeshList"))
                                     .firstChildElement(QStringLiteral("Mesh"));
        QVERIFY(!mesh.isNull());
        const int triangles = int(geometry.triangleCount);
        QVERIFY(triangles > 0);
        QCOMPARE(mesh.firstChildElement(QStringLiteral("FaceList"))
                     .attribute(QStringLiteral("num"))
                     .toInt(),
                 triangles);
        // The reader gives every face corner its own vertex and normal.
        QCOMPARE(mesh.firstChildElement(QStringLiteral("Positions"))
                     .attribute(QStringLiteral("num"))
                     .toInt(),
                 3 * triangles);
        QCOMPARE(mesh.firstChildElement(QStringLiteral("Normals"))
                     .attribute(QStringLiteral("num"))
                     .toInt(),
                 3 * triangles);

        // Normals point to the side the reader's counter-clockwise faces face.
        auto rows = [](const QDomElement &e) {
            QVector<glm::vec3> out;
            for (const QString &line : e.text().split(QLatin1Char('\n'))) {
                const QStringList v = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (v.size() == 3) {
                    out.append(glm::vec3(v[0].toFloat(), v[1].toFloat(), v[2].toFloat()));
                }
            }
            return out;
        };
        const QVector<glm::vec3> p = rows(mesh.firstChildElement(QStringLiteral("Positions")));
        const QVector<glm::vec3> n = rows(mesh.firstChildElement(QStringLiteral("Normals")));
        QCOMPARE(p.size(), 3 * triangles);
        QCOMPARE(n.size(), 3 * triangles);
        int agreeing = 0;
        for (int t = 0; t < triangles; ++t) {
            const glm::vec3 face = glm::cross(p[3 * t + 1] - p[3 * t], p[3 * t + 2] - p[3 * t]);
            if (glm::dot(face, n[3 * t] + n[3 * t + 1] + n[3 * t + 2]) > 0.0f) {
                ++agreeing;
            }
        }
        QVERIFY2(agreeing > triangles * 9 / 10,
                 qPrintable(QStringLiteral("%1 of %2").arg(agreeing).arg(triangles)));
    }
};

QTEST_MAIN(TestMeshGl)
#include "test_mesh_gl.moc"

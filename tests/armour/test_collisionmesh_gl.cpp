#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/visualnode.h"
#include "gamedata/writerfixtures.h"
#include "render/buffermanager.h"
#include "render/discmarker.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/meshplacement.h"
#include "render/offscreengl.h"
#include "render/renderwidget.h"
#include "render/shaderloader.h"
#include "render/tankmesh.h"
#include "render/textureloader.h"
#include "render/transformstack.h"
#include "render/visual.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QOpenGLFramebufferObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

const QString SAMPLE = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
const QString TANK = QStringLiteral("vehicles/velmora/V04_Warden/collision/");
const QRgb BACKGROUND = qRgb(51, 77, 102);

// A regular plate over the centre and a spaced one in the upper right, facing the
// camera at z = 0 (clip space under identity matrices).
const char *PLATES_VISUAL = R"(<root><node><identifier>Scene Root</identifier></node>
<renderSet><node>Scene Root</node><geometry><vertices>P.vertices</vertices><primitive>P.indices</primitive>
 <primitiveGroup>0<material><identifier>plate</identifier></material></primitiveGroup>
 <primitiveGroup>1<material><identifier>skirt</identifier></material></primitiveGroup>
</geometry></renderSet></root>)";
const char *PLATES_PRIMITIVES =
    "P.write_primitives(["
    "('P.vertices', P.vertex_section('xyznuv', [((x, y, 0), (0, 0, 1), (0, 0)) for (x, y) in "
    "((-0.5, -0.5), (0.5, -0.5), (0.5, 0.5), (-0.5, 0.5), (-0.9, 0.6), (-0.6, 0.6), (-0.6, 0.9), "
    "(-0.9, 0.9))])), "
    "('P.indices', P.index_section([0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7], "
    "groups=[(0, 2, 0, 4), (6, 2, 4, 4)]))])";

class FakeTank : public TankMeshHooks
{
public:
    int shownForm() const override { return 2; }
    int loadingForm() const override { return 2; }
    Mesh *partMesh(quint32, int) const override { return nullptr; }
    TransformStack *transformStack() override { return &stack; }
    TankCamouflage camouflage() const override { return {}; }
    QString currentTurretName() const override { return QStringLiteral("T"); }
    QString currentGunName() const override { return QStringLiteral("G"); }
    TransformStack stack;
};

struct Window : CollisionArmorWindowHooks
{
    QTableView *armorTableView() override { return nullptr; }
    QTableView *spacedArmorTableView() override { return nullptr; }
    bool hideSpacedArmor() override { return hide; }
    bool hide = false;
};

QRgb rgbOf(const glm::vec4 &c)
{
    return qRgb(qRound(c.r * 255.0f), qRound(c.g * 255.0f), qRound(c.b * 255.0f));
}

bool close(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) <= 3;
}

} // namespace

// Collision meshes drawn with the collision materials on a real context.
class TestCollisionMeshGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, FileManager, Settings>> mServices;

    QTemporaryDir mTemp;
    QString mOldCwd;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    std::unique_ptr<ShaderLoader> mShaders;
    LightRecord mLight;
    FakeTank mTank;
    Window mWindow;

    template <typename Draw> QImage frame(int width, int height, Draw draw)
    {
        QOpenGLFramebufferObject fbo(width, height, QOpenGLFramebufferObject::Depth);
        fbo.bind();
        gl->glViewport(0, 0, width, height);
        gl->glClearColor(qRed(BACKGROUND) / 255.0f, qGreen(BACKGROUND) / 255.0f,
                         qBlue(BACKGROUND) / 255.0f, 1.0f);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mTank.stack.current = glm::mat4(1.0f);
        draw();
        gl->glDisable(GL_DEPTH_TEST);
        const QImage image = fbo.toImage();
        fbo.release();
        return image;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        const QDir root(mTemp.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("data"))
                && root.mkpath(QStringLiteral("mod/plates")));
        QVERIFY(QFile::copy(SAMPLE + QStringLiteral("/data/resources.cfg"),
                            mTemp.filePath(QStringLiteral("data/resources.cfg"))));
        QCOMPARE(
            QProcess::execute(QStringLiteral("python3"),
                              {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                               mTemp.filePath(QStringLiteral("data/settings.cfg")), SAMPLE}),
            0);
        const QMap<QString, QByteArray> built =
            buildWithWriters({{QStringLiteral("p"), QLatin1String(PLATES_PRIMITIVES)}});
        QVERIFY(built.contains(QStringLiteral("p")));
        QFile primitives(mTemp.filePath(QStringLiteral("mod/plates/Plates.primitives")));
        QVERIFY(primitives.open(QIODevice::WriteOnly));
        primitives.write(built.value(QStringLiteral("p")));
        primitives.close();
        QFile visual(mTemp.filePath(QStringLiteral("mod/plates/Plates.visual")));
        QVERIFY(visual.open(QIODevice::WriteOnly));
        visual.write(PLATES_VISUAL);
        visual.close();

        mOldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mTemp.filePath(QStringLiteral("bin"))));
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mServices = std::make_unique<ServiceStack<Log, FileManager, Settings>>();
        Settings::instance()->modPath = mTemp.filePath(QStringLiteral("mod"));
        FileManager::instance()->loadZipFiles();

        HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
        mShaders = std::make_unique<ShaderLoader>(
            nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
        QVERIFY2(mShaders->buildShaders(), qPrintable(Log::instance()->text(Error)));
        new BufferManager();
        new MatrixStack();
        new TextureLoader();
        new MaterialLoader();
        MaterialLoader::instance()->light = &mLight;
        new CollisionArmor();
        CollisionArmor::instance()->setWindowHooks(&mWindow);
        new Physics();
    }

    void cleanupTestCase()
    {
        if (mContext) {
            mContext->makeCurrent(mSurface.get());
        }
        delete Physics::instance();
        if (CollisionArmor::instance()) {
            CollisionArmor::instance()->setWindowHooks(nullptr);
        }
        delete CollisionArmor::instance();
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

    // The unlit collision material draws a plate in its thickness colour; a hidden
    // spaced plate is not drawn.
    void plateInItsThicknessColour()
    {
        CollisionArmor *armour = CollisionArmor::instance();
        armour->clear();
        armour->addHullArmor(45.0f, QStringLiteral("plate"), false);
        armour->addHullArmor(20.0f, QStringLiteral("other"), false);
        armour->addHullArmor(10.0f, QStringLiteral("skirt"), true);
        armour->buildArmorTables();
        MatrixStack *stack = MatrixStack::instance();
        stack->projection = stack->view = glm::mat4(1.0f);
        MaterialLoader::instance()->defaultIndex = 1;

        CollisionMesh mesh;
        mesh.setTankHooks(&mTank);
        QVERIFY(mesh.load(QStringLiteral("plates/Plates.model"), glm::vec3(0.0f), 1));
        mesh.addToWorld();
        const QRgb plate = rgbOf(armour->colorForThickness(45.0f, false, false));
        const QRgb skirt = rgbOf(armour->colorForThickness(10.0f, true, false));
        QVERIFY(!close(plate, BACKGROUND) && !close(plate, skirt));

        const auto draw = [&] { mesh.draw(false, true, nullptr, nullptr); };
        QImage image = frame(64, 64, draw);
        QVERIFY2(close(image.pixel(32, 32), plate),
                 qPrintable(QString::number(image.pixel(32, 32), 16)));
        // The skirt is at x < 0 in the file: mirrored to the right.
        QVERIFY(close(image.pixel(56, 8), skirt));

        mWindow.hide = true;
        image = frame(64, 64, draw);
        QVERIFY(close(image.pixel(56, 8), BACKGROUND));
        QVERIFY(close(image.pixel(32, 32), plate));
        mWindow.hide = false;
        image = frame(64, 64, draw);
        QVERIFY(close(image.pixel(56, 8), skirt));
        QCOMPARE(int(gl->glGetError()), int(GL_NO_ERROR));
        MaterialLoader::instance()->defaultIndex = 0;
    }

    // Emptying the world parks the view's hit marker; without a view it is skipped.
    void clearObjectsParksTheMarker()
    {
        Physics::instance()->clearObjects();
        auto view = std::make_unique<RenderWidget>();
        view->marker->setPosition(glm::vec3(1.0f));
        Physics::instance()->setView(view.get());
        Physics::instance()->clearObjects();
        QCOMPARE(view->marker->model, glm::translate(glm::mat4(1.0f), glm::vec3(999.0f)));
        view.reset();
        QVERIFY(!Physics::instance()->view());
        Physics::instance()->clearObjects();
        mContext->makeCurrent(mSurface.get());
    }

    // A sample tank's collision models, coloured, with one thickness highlighted.
    void sampleTankScreenshot()
    {
        CollisionArmor *armour = CollisionArmor::instance();
        armour->clear();
        armour->addChassisArmor(20.0f, QStringLiteral("armor_1"), false);
        armour->addHullArmor(80.0f, QStringLiteral("armor_1"), false);
        armour->addHullArmor(45.0f, QStringLiteral("armor_2"), false);
        armour->addHullArmor(20.0f, QStringLiteral("armor_3"), false);
        armour->addHullArmor(10.0f, QStringLiteral("armor_4"), true);
        armour->addHullArmor(0.0f, QStringLiteral("surveyingDevice"), false);
        for (const QString &name :
             {QStringLiteral("armor_1"), QStringLiteral("armor_2"), QStringLiteral("armor_3")}) {
            armour->addTurretArmor(name == QLatin1String("armor_1") ? 100.0f : 60.0f, name,
                                   QStringLiteral("T"), false);
        }
        armour->addGunArmor(40.0f, QStringLiteral("gun"), QStringLiteral("G"), false);
        armour->addGunArmor(90.0f, QStringLiteral("armor_1"), QStringLiteral("G"), false);
        armour->buildArmorTables();
        armour->highlightRegular = true;
        armour->selectedRegularThickness = 45.0f;

        const char *files[4] = {"Chassis.model", "Hull.model", "Turret_01.model", "Gun_01.model"};
        std::unique_ptr<CollisionMesh> parts[4];
        glm::vec3 positions[4] = {glm::vec3(0.0f), glm::vec3(0.0f, 0.4f, 0.0f)};
        for (int part = 0; part < 4; ++part) {
            parts[part] = std::make_unique<CollisionMesh>();
            parts[part]->setTankHooks(&mTank);
            if (part >= 2) {
                // Mounted on the joint of the part below.
                const VisualNode *joint = findVisualNode(
                    *parts[part - 1]->visual,
                    part == 2 ? QStringLiteral("HP_turretJoint") : QStringLiteral("HP_gunJoint"));
                QVERIFY(joint);
                positions[part] = joint->translation;
            }
            QVERIFY2(parts[part]->load(TANK + QLatin1String(files[part]), positions[part], part),
                     qPrintable(Log::instance()->text(Warning)));
            parts[part]->addToWorld();
        }
        MatrixStack *stack = MatrixStack::instance();
        stack->projection = glm::perspective(glm::radians(40.0f), 640.0f / 480.0f, 0.1f, 100.0f);
        stack->view = glm::lookAt(glm::vec3(6, 4, 7), glm::vec3(0, 0.8f, 0), glm::vec3(0, 1, 0));
        stack->normalMatrix = glm::inverseTranspose(glm::mat3(stack->view));
        const QImage image = frame(640, 480, [&] {
            for (const auto &part : parts) {
                part->draw(false, true, nullptr, nullptr);
            }
        });
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QDir().mkpath(dir);
        image.save(dir + QStringLiteral("/collision_V04_Warden.png"));
        QCOMPARE(int(gl->glGetError()), int(GL_NO_ERROR));

        // Other regular thicknesses are dark grey, the surveying device purple.
        int grey = 0;
        int purple = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                grey += qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) > 20 ? 1 : 0;
                purple += qRed(p) > 40 && qRed(p) == qBlue(p) && qGreen(p) == 0 ? 1 : 0;
            }
        }
        QVERIFY2(grey > 2000, qPrintable(QString::number(grey)));
        QVERIFY2(purple > 20, qPrintable(QString::number(purple)));
        QVERIFY(Physics::instance()->objectCount() > 10);
    }
};

QTEST_MAIN(TestCollisionMeshGl)
#include "test_collisionmesh_gl.moc"

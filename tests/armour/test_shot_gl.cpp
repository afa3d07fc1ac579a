#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/camera.h"
#include "render/discmarker.h"
#include "render/linevertex.h"
#include "render/matrixstack.h"
#include "render/offscreengl.h"
#include "render/renderwidget.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/viewscenehooks.h"
#include "render/viewtestsupport.h"

#include "support/servicestack.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QSignalSpy>
#include <QTest>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

const QVector<glm::vec3> SQUARE = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
const QVector<quint32> SQUARE_INDICES = {0, 1, 2, 0, 2, 3};

// The scene of one collision plate: drawn green into the view's depth, in the
// collision world, shot at through Physics.
class PlateScene : public ViewSceneHooks
{
public:
    void viewReady(RenderWidget *view) override { Physics::instance()->setView(view); }
    void releaseScene() override
    {
        mVertexArray.reset();
        mBuffer.reset();
    }
    void drawTank() override
    {
        if (!group) {
            return;
        }
        const GLuint program = ShaderLoader::instance()->lineProgram->program->programId();
        if (mVertexArray == 0) {
            QVector<LineVertex> vertices;
            for (const CollisionTriangle &t : std::as_const(group->triangles)) {
                for (const glm::vec3 &p : {t.p0, t.p1, t.p2}) {
                    vertices.append(
                        {glm::vec3(placement * glm::vec4(p, 1.0f)), glm::vec3(0.2f, 0.7f, 0.2f)});
                }
            }
            createLineVertexArray(mVertexArray, mBuffer, vertices.constData(), int(vertices.size()),
                                  0x88E4 /* GL_STATIC_DRAW */);
        }
        const MatrixStack *stack = MatrixStack::instance();
        drawLineVertices(program, mVertexArray, 0x0004 /* GL_TRIANGLES */, 6,
                         stack->projection * stack->view);
    }
    void traceShot(const glm::vec3 &from, const glm::vec3 &to) override
    {
        Physics::instance()->traceShot(from, to);
    }
    bool shotLine(glm::vec3 &start, glm::vec3 &end) const override
    {
        start = Physics::instance()->shotStart;
        end = Physics::instance()->shotEnd;
        return true;
    }

    std::unique_ptr<CollisionGroup> group;
    glm::mat4 placement {1.0f};

private:
    GlVertexArray mVertexArray;
    GlBuffer mBuffer;
};

} // namespace

// A Ctrl+click in armour mode on the shown view reaches Physics through the view's
// scene hooks and hits the plate under the cursor.
class TestShotGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Settings>> mServices;
    std::unique_ptr<ServiceStack<Physics>> mLateServices;

private slots:
    void initTestCase()
    {
        QOpenGLFunctions_3_2_Core *gl = nullptr;
        HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
        mContext.reset();
        mSurface.reset();
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mServices = std::make_unique<ServiceStack<Log, Settings>>();
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->brastelPath.clear();
        Settings::instance()->msaa = QStringLiteral("Disabled");
        mLateServices = std::make_unique<ServiceStack<Physics>>();
    }
    void cleanupTestCase()
    {
        mLateServices.reset();
        mServices.reset();
        setMessageBoxHandler({});
        mTree.reset();
    }

    void ctrlClickHitsThePlate()
    {
        PlateScene scene;
        auto view = std::make_unique<RenderWidget>(nullptr);
        view->setSceneHooks(&scene);
        view->setFormat(viewSurfaceFormat(QStringLiteral("Disabled"), 0));
        view->resize(640, 480);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(QTest::qWaitFor([&view]() { return view->initialised; }, 10000));
        QCOMPARE(Physics::instance()->view(), view.get());

        // Facing the camera, turned 30 degrees about its right axis.
        const Camera &camera = view->cameraController().camera;
        const glm::mat3 facing(camera.right, camera.up, camera.back);
        scene.placement = glm::translate(glm::mat4(1.0f), camera.target)
                          * glm::rotate(glm::mat4(1.0f), glm::radians(30.0f), camera.right)
                          * glm::mat4(facing);
        scene.group = buildCollisionGroup(SQUARE, SQUARE_INDICES.constData(), SQUARE_INDICES.size(),
                                          scene.placement);
        scene.group->name = QStringLiteral("hull_front");
        scene.group->armor = 80;
        Physics::instance()->addGroup(*scene.group);
        view->armourMode = true;
        view->update();
        QTest::qWait(100);

        const glm::vec3 aim = glm::vec3(scene.placement * glm::vec4(0.3f, -0.2f, 0, 1));
        const QPoint at = projectToImage(camera, aim, view->width(), view->height());
        QSignalSpy spy(Physics::instance(), &Physics::rayHit);
        QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(QPointF(at)),
                          Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
        QCoreApplication::sendEvent(view.get(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, view->mapToGlobal(QPointF(at)),
                            Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
        QCoreApplication::sendEvent(view.get(), &release);

        QCOMPARE(spy.size(), 1);
        const auto results = spy.at(0).at(0).value<RayResultsList>();
        QCOMPARE(results.size(), 1);
        const RayResult &hit = results.first();
        QCOMPARE(hit.material, QStringLiteral("hull_front"));
        QCOMPARE(hit.armor, 80.0f);
        // Within a pixel or two of where the click aimed.
        QVERIFY(glm::distance(hit.hitPoint, aim) < 0.08f);
        QVERIFY(qAbs(hit.angle - 30.0f) < 3.0f);

        const glm::vec3 d = glm::normalize(hit.hitPoint - camera.eye);
        const glm::vec3 marker(view->marker->model[3]);
        QVERIFY(glm::distance(marker, hit.hitPoint - 0.04f * d) < 1e-3f);
        glm::vec3 start(0.0f);
        glm::vec3 end(0.0f);
        QVERIFY(view->sceneHooks()->shotLine(start, end));
        QVERIFY(glm::distance(start, camera.eye) < 1e-4f);
        QCOMPARE(end, hit.hitPoint);

        // The frame draws the plate and the marker where the shot hit.
        const QImage frame = view->renderToImage(view->width(), view->height(), false);
        const QPoint markerAt = projectToImage(camera, marker, frame.width(), frame.height());
        QVERIFY(nearPixel(frame, markerAt, 2,
                          [](const QColor &c) { return c.blue() > 150 && c.red() < 120; }));
        QVERIFY(nearPixel(frame, at + QPoint(6, 6), 0, [](const QColor &c) {
            return c.green() > 150 && c.red() < 80 && c.blue() < 80;
        }));
        view->setSceneHooks(nullptr);
        view.reset();
        Physics::instance()->clearObjects();
        scene.group.reset();
    }

private:
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    std::unique_ptr<ViewTestTree> mTree;
};

QTEST_MAIN(TestShotGl)
#include "test_shot_gl.moc"

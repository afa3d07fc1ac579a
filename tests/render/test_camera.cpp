#include "core/dialogs.h"
#include "render/camera.h"
#include "render/cameracontroller.h"
#include "render/camerafile.h"
#include "render/matrixstack.h"
#include "render/transformstack.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

Q_DECLARE_METATYPE(glm::vec3)

namespace {

bool fuzzyVec(const glm::vec3 &a, const glm::vec3 &b, float eps = 1e-4f)
{
    return glm::all(glm::lessThanEqual(glm::abs(a - b), glm::vec3(eps)));
}

QString vecText(const glm::vec3 &v)
{
    return QStringLiteral("(%1, %2, %3)").arg(v.x).arg(v.y).arg(v.z);
}

// A clock the test moves by hand.
struct FakeClock
{
    qint64 now = 1000;
    CameraController::Clock clock()
    {
        return [this]() { return now; };
    }
};

} // namespace

class TestCamera : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resetGivesDefaultViewAndSignalsInOrder();
    void presets_data();
    void presets();
    void presetKeepsTargetZoomFov();
    void perspectiveConstants();
    void orthographicFollowsFormula();
    void matrixStackDefaultsAndView();
    void zeroHeightGivesFiniteProjection();
    void typeEncodings();

    void orbitWrapsPastHalfTurn();
    void wrapDegrees_data();
    void wrapDegrees();
    void wheelClampsButZoomSlotDoesNot();
    void releaseTiming_data();
    void releaseTiming();
    void autoRotationFollowsDrag();
    void panHonoursInvertAndLock();
    void rollHasNoWrap();
    void pressUsesItsOwnPosition();
    void pressCursors_data();
    void pressCursors();

    void pickPixelStaysInsideFramebuffer_data();
    void pickPixelStaysInsideFramebuffer();
    void backgroundPickReachesFarPlane();

    void cameraFileText();
    void cameraFileRoundTrip_data();
    void cameraFileRoundTrip();
    void malformedCameraFileChangesNothing();
    void missingElementsReadAsZeroAndAreClamped();
    void cancelledChooserDoesNothing();

    void transformStackPushPop();

private:
    QTemporaryDir mDir;
    MatrixStack *mStack = nullptr;
};

void TestCamera::init()
{
    mStack = new MatrixStack;
}

void TestCamera::cleanup()
{
    setFileChooserHandler({});
    delete mStack;
    mStack = nullptr;
}

void TestCamera::resetGivesDefaultViewAndSignalsInOrder()
{
    CameraController c;
    QStringList order;
    QList<double> values;
    auto record = [&](const char *name) {
        return [&order, &values, name](auto v) {
            order << QLatin1String(name);
            values << double(v);
        };
    };
    connect(&c, &CameraController::cameraFovChanged, this, record("fov"));
    connect(&c, &CameraController::cameraZoomChanged, this, record("zoom"));
    connect(&c, &CameraController::cameraRotationXChanged, this, record("rotX"));
    connect(&c, &CameraController::cameraRotationYChanged, this, record("rotY"));
    connect(&c, &CameraController::cameraRotationZChanged, this, record("rotZ"));
    connect(&c, &CameraController::cameraPositionXChanged, this, record("posX"));
    connect(&c, &CameraController::cameraPositionYChanged, this, record("posY"));
    connect(&c, &CameraController::cameraPositionZChanged, this, record("posZ"));
    c.resize(800, 600);
    c.cameraTarget = glm::vec3(3.0f);
    c.spinVelocity = glm::vec3(5.0f);
    c.resetCamera();

    QCOMPARE(order, (QStringList {"fov", "zoom", "rotX", "rotY", "rotZ", "posX", "posY", "posZ"}));
    QCOMPARE(values, (QList<double> {55, 12, 28, -25, 0, 0, 0, 0}));
    QVERIFY(std::abs(glm::length(c.camera.eye) - 12.0f) < 1e-4f);
    QCOMPARE(c.spinVelocity, glm::vec3(0.0f));
    QCOMPARE(c.camera.target, glm::vec3(0.0f));
    QCOMPARE(c.camera.fov, 55.0f);

    // The view takes the eye to the origin and its axes are orthonormal.
    const glm::vec4 eyeInView = c.camera.view * glm::vec4(c.camera.eye, 1.0f);
    QVERIFY2(fuzzyVec(glm::vec3(eyeInView), glm::vec3(0.0f)), qPrintable(vecText(eyeInView)));
    const glm::mat3 axes(c.camera.right, c.camera.up, c.camera.back);
    const glm::mat3 gram = glm::transpose(axes) * axes;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(fuzzyVec(gram[i], glm::mat3(1.0f)[i]));
    }
    QVERIFY(fuzzyVec(c.camera.forward, -c.camera.back));
}

void TestCamera::presets_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<glm::vec3>("rotation");
    QTest::addColumn<glm::vec3>("eye");
    QTest::newRow("Top") << 1 << glm::vec3(90, 0, 0) << glm::vec3(0, 12, 0);
    QTest::newRow("Bottom") << 2 << glm::vec3(-90, 0, 0) << glm::vec3(0, -12, 0);
    QTest::newRow("Left") << 3 << glm::vec3(0, -90, 0) << glm::vec3(12, 0, 0);
    QTest::newRow("Right") << 4 << glm::vec3(0, 90, 0) << glm::vec3(-12, 0, 0);
    QTest::newRow("Front") << 5 << glm::vec3(0, 0, 0) << glm::vec3(0, 0, 12);
    QTest::newRow("Back") << 6 << glm::vec3(0, 180, 0) << glm::vec3(0, 0, -12);
}

void TestCamera::presets()
{
    QFETCH(int, index);
    QFETCH(glm::vec3, rotation);
    QFETCH(glm::vec3, eye);
    CameraController c;
    c.resize(640, 480);
    c.resetCamera();
    QSignalSpy rotY(&c, &CameraController::cameraRotationYChanged);
    c.cameraViewChanged(index);
    QCOMPARE(c.cameraRotation, rotation);
    QCOMPARE(rotY.count(), 1);
    QVERIFY2(fuzzyVec(c.camera.eye, eye), qPrintable(vecText(c.camera.eye)));
    // Looking at the target from there.
    const glm::vec4 target = c.camera.view * glm::vec4(0, 0, 0, 1);
    QVERIFY(fuzzyVec(glm::vec3(target), glm::vec3(0, 0, -12)));
}

void TestCamera::presetKeepsTargetZoomFov()
{
    CameraController c;
    c.resize(640, 480);
    c.resetCamera();
    c.setcameraPositionX(1.5);
    c.setCameraZoom(20);
    c.setCameraFov(40);
    QSignalSpy zoomSpy(&c, &CameraController::cameraZoomChanged);
    c.cameraViewChanged(6);
    QCOMPARE(c.cameraTarget, glm::vec3(1.5f, 0, 0));
    QCOMPARE(c.zoom, 20.0f);
    QCOMPARE(c.fov, 40.0f);
    QCOMPARE(zoomSpy.count(), 0);
    QVERIFY(fuzzyVec(c.camera.eye, glm::vec3(1.5f, 0, -20)));

    // Index 0 is a full reset; unknown indices keep the angles.
    c.cameraViewChanged(7);
    QCOMPARE(c.cameraRotation, glm::vec3(0, 180, 0));
    c.cameraViewChanged(0);
    QCOMPARE(c.cameraRotation, glm::vec3(28, -25, 0));
    QCOMPARE(c.cameraTarget, glm::vec3(0.0f));
    QCOMPARE(c.zoom, 12.0f);
}

void TestCamera::perspectiveConstants()
{
    CameraController c;
    c.resize(800, 400);
    c.resetCamera();
    const glm::mat4 &p = c.camera.projection;
    const float f = 1.0f / std::tan(glm::radians(55.0f) / 2.0f);
    QVERIFY(qFuzzyCompare(p[1][1], f));
    QVERIFY(qFuzzyCompare(p[0][0], f / 2.0f));
    QVERIFY(qFuzzyCompare(p[2][2], -(400.0f + 0.1f) / (400.0f - 0.1f)));
    QVERIFY(qFuzzyCompare(p[3][2], -2.0f * 400.0f * 0.1f / (400.0f - 0.1f)));
    QCOMPARE(p[2][3], -1.0f);
    QCOMPARE(p[3][3], 0.0f);
    QCOMPARE(mStack->projection, p);
}

void TestCamera::orthographicFollowsFormula()
{
    CameraController c;
    c.resize(800, 400);
    c.resetCamera();
    c.cameraTypeChanged(1);
    QCOMPARE(c.camera.type, int(Camera::TypeOrthographic));
    const glm::mat4 &p = c.camera.projection;
    // s = zoom / aspect = 6: half-width 400 * 6 * 0.002, half-height 200 * 6 * 0.002.
    QVERIFY(qFuzzyCompare(p[0][0], 1.0f / 4.8f));
    QVERIFY(qFuzzyCompare(p[1][1], 1.0f / 2.4f));
    QVERIFY(p[1][1] > 0.0f); // upright, not mirrored
    QCOMPARE(p[2][2], -0.001f);
    QCOMPARE(p[3][2], 0.0f);
    QCOMPARE(p[3][0], 0.0f);
    QCOMPARE(p[3][3], 1.0f);
    QCOMPARE(mStack->projection, p);

    // Unknown selector indices keep the kind.
    c.cameraTypeChanged(5);
    QCOMPARE(c.camera.type, int(Camera::TypeOrthographic));
    c.cameraTypeChanged(0);
    QCOMPARE(c.camera.type, int(Camera::TypePerspective));
    QCOMPARE(c.camera.projection[2][3], -1.0f);
}

void TestCamera::matrixStackDefaultsAndView()
{
    QCOMPARE(MatrixStack::instance(), mStack);
    const glm::mat4 bias = mStack->depthBias;
    const glm::vec4 mapped = bias * glm::vec4(-1, 1, 0, 1);
    QCOMPARE(mapped, glm::vec4(0, 1, 0.5f, 1));
    QCOMPARE(bias[3], glm::vec4(0.5f, 0.5f, 0.5f, 1));
    QCOMPARE(mStack->lightView, glm::mat4(1.0f));

    Camera camera;
    camera.distance = 5.0f;
    camera.setRotation(glm::vec3(30, 40, 0));
    mStack->projection = glm::mat4(2.0f);
    mStack->stack = {glm::mat4(3.0f), glm::mat4(4.0f)};
    mStack->setView(camera);
    QCOMPARE(mStack->view, camera.view);
    QCOMPARE(mStack->stack, QVector<glm::mat4> {glm::mat4(2.0f)});
    // A pure rotation is its own normal matrix.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(fuzzyVec(mStack->normalMatrix[i], glm::mat3(camera.view)[i]));
    }

    delete mStack;
    mStack = nullptr;
    QCOMPARE(MatrixStack::instance(), nullptr);
}

void TestCamera::zeroHeightGivesFiniteProjection()
{
    CameraController c;
    c.resetCamera(); // before the first resize
    QCOMPARE(c.camera.aspect, 1.0f);
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            QVERIFY2(std::isfinite(c.camera.projection[col][row]),
                     qPrintable(QStringLiteral("[%1][%2]").arg(col).arg(row)));
        }
    }
    c.resize(300, 0);
    QCOMPARE(c.camera.aspect, 1.0f);
    QVERIFY(std::isfinite(c.camera.projection[0][0]));
}

void TestCamera::typeEncodings()
{
    QCOMPARE(cameraTypeFromSelectorIndex(0), std::optional<int>(Camera::TypePerspective));
    QCOMPARE(cameraTypeFromSelectorIndex(1), std::optional<int>(Camera::TypeOrthographic));
    QVERIFY(!cameraTypeFromSelectorIndex(2));
    QVERIFY(!cameraTypeFromSelectorIndex(-1));
    QCOMPARE(cameraSelectorIndexFromType(Camera::TypePerspective), 0);
    QCOMPARE(cameraSelectorIndexFromType(Camera::TypeOrthographic), 1);
    QCOMPARE(Camera().type, int(Camera::TypePerspective));
}

void TestCamera::orbitWrapsPastHalfTurn()
{
    FakeClock clock;
    CameraController c(clock.clock());
    c.cameraRotation = glm::vec3(10, 178, 0);
    QSignalSpy rotY(&c, &CameraController::cameraRotationYChanged);
    c.mousePress(QPointF(100, 100), Qt::LeftButton, Qt::NoModifier, false);
    c.mouseMove(QPointF(110, 100), Qt::LeftButton); // +3 degrees
    QVERIFY(std::abs(c.cameraRotation.y - -179.0f) < 1e-4f);
    QCOMPARE(c.cameraRotation.x, 10.0f);
    QCOMPARE(rotY.count(), 1);
    QVERIFY(std::abs(rotY.at(0).at(0).toDouble() - -179.0) < 1e-4);
    QVERIFY(std::abs(c.dragAccumulator.y - 3.0f) < 1e-4f);
}

void TestCamera::wrapDegrees_data()
{
    QTest::addColumn<float>("in");
    QTest::addColumn<float>("out");
    QTest::newRow("inside") << 45.0f << 45.0f;
    QTest::newRow("180 stays") << 180.0f << 180.0f;
    QTest::newRow("-180 stays") << -180.0f << -180.0f;
    QTest::newRow("181") << 181.0f << -179.0f;
    QTest::newRow("190") << 190.0f << -170.0f;
    QTest::newRow("-190") << -190.0f << 170.0f;
    QTest::newRow("two turns") << 725.0f << 5.0f;
}

void TestCamera::wrapDegrees()
{
    QFETCH(float, in);
    QFETCH(float, out);
    QVERIFY2(std::abs(::wrapDegrees(in) - out) < 1e-3f,
             qPrintable(QString::number(::wrapDegrees(in))));
}

void TestCamera::wheelClampsButZoomSlotDoesNot()
{
    CameraController c;
    c.resize(640, 480);
    c.resetCamera();
    QSignalSpy zoomSpy(&c, &CameraController::cameraZoomChanged);
    for (int i = 0; i < 20; ++i) {
        c.wheel(120);
    }
    QCOMPARE(c.zoom, 1.0f);
    QCOMPARE(zoomSpy.last().at(0).toInt(), 1);
    QVERIFY(std::abs(glm::length(c.camera.eye) - 1.0f) < 1e-4f);
    for (int i = 0; i < 60; ++i) {
        c.wheel(-120);
    }
    QCOMPARE(c.zoom, 50.0f);
    c.wheel(0);
    QCOMPARE(c.zoom, 50.0f);

    c.setCameraZoom(0);
    QCOMPARE(c.zoom, 0.0f);
    c.setCameraZoom(70);
    QCOMPARE(c.zoom, 70.0f);
    QCOMPARE(c.camera.distance, 70.0f);
    QCOMPARE(zoomSpy.last().at(0).toInt(), 70);
}

void TestCamera::releaseTiming_data()
{
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<float>("velocityY");
    // 30 px right is 9 degrees.
    QTest::newRow("0 ms counts as 1") << 0 << 9000.0f;
    QTest::newRow("1 ms") << 1 << 9000.0f;
    QTest::newRow("2 ms") << 2 << 4500.0f;
    QTest::newRow("500 ms") << 500 << 18.0f;
}

void TestCamera::releaseTiming()
{
    QFETCH(int, durationMs);
    QFETCH(float, velocityY);
    FakeClock clock;
    CameraController c(clock.clock());
    c.mousePress(QPointF(0, 0), Qt::LeftButton, Qt::NoModifier, false);
    c.mouseMove(QPointF(30, 0), Qt::LeftButton);
    clock.now += durationMs;
    QCOMPARE(c.mouseRelease(false), NavigationCursor::Idle);
    QVERIFY2(std::abs(c.spinVelocity.y - velocityY) < velocityY * 1e-5f,
             qPrintable(QString::number(c.spinVelocity.y)));
}

void TestCamera::autoRotationFollowsDrag()
{
    FakeClock clock;
    CameraController c(clock.clock());
    c.resize(640, 480);
    c.resetCamera();

    // No drag since the press: nothing moves.
    c.mousePress(QPointF(0, 0), Qt::LeftButton, Qt::NoModifier, false);
    clock.now += 100;
    c.mouseRelease(false);
    c.autoRotate(1000.0);
    QCOMPARE(c.cameraRotation.y, -25.0f);

    // 300 px (90 degrees) in 500 ms: 180 degrees per second of drag, 180/7 of spin.
    c.mousePress(QPointF(0, 0), Qt::LeftButton, Qt::NoModifier, false);
    c.mouseMove(QPointF(300, 0), Qt::LeftButton);
    clock.now += 500;
    c.mouseRelease(false);
    QVERIFY(std::abs(c.spinVelocity.y - 180.0f) < 1e-3f);
    c.cameraRotation.y = 0.0f;
    QSignalSpy rotY(&c, &CameraController::cameraRotationYChanged);
    c.autoRotate(7000.0);
    QVERIFY(std::abs(c.cameraRotation.y - 180.0f) < 1e-3f);
    c.autoRotate(7000.0 / 18.0); // +10 degrees: 190 wraps
    QVERIFY(std::abs(c.cameraRotation.y - -170.0f) < 1e-3f);
    QCOMPARE(rotY.count(), 2);
    // The camera turned with it.
    Camera expected = c.camera;
    expected.setRotation(c.cameraRotation);
    QCOMPARE(c.camera.eye, expected.eye);
}

void TestCamera::panHonoursInvertAndLock()
{
    for (bool inverted : {false, true}) {
        CameraController c;
        c.resize(640, 480);
        c.resetCamera();
        c.setMouseInverted(inverted, false);
        const glm::vec3 right = c.camera.right;
        QSignalSpy posX(&c, &CameraController::cameraPositionXChanged);
        QCOMPARE(*c.mousePress(QPointF(100, 100), Qt::RightButton, Qt::NoModifier, false).cursor,
                 NavigationCursor::Pan);
        c.mouseMove(QPointF(250, 100), Qt::RightButton); // 150 px: one unit
        const glm::vec3 expected = right * (inverted ? 1.0f : -1.0f);
        QVERIFY2(fuzzyVec(c.cameraTarget, expected), qPrintable(vecText(c.cameraTarget)));
        QCOMPARE(c.camera.target, c.cameraTarget);
        QCOMPARE(posX.count(), 1);
        QVERIFY(c.panLock);

        // The dock's echo during the pan is ignored.
        c.setcameraPositionX(42.0);
        QCOMPARE(c.cameraTarget, expected);
        c.mouseRelease(false);
        QVERIFY(!c.panLock);
        c.setcameraPositionX(42.0);
        QCOMPARE(c.cameraTarget.x, 42.0f);
        QCOMPARE(c.camera.target.x, 42.0f);
    }
}

void TestCamera::rollHasNoWrap()
{
    CameraController c;
    c.cameraRotation.z = -175.0f;
    QSignalSpy rotZ(&c, &CameraController::cameraRotationZChanged);
    QSignalSpy rotX(&c, &CameraController::cameraRotationXChanged);
    c.mousePress(QPointF(0, 0), Qt::MiddleButton, Qt::NoModifier, false);
    c.mouseMove(QPointF(0, 130), Qt::MiddleButton);
    QVERIFY(std::abs(c.cameraRotation.z - -185.0f) < 1e-4f);
    QCOMPARE(rotZ.count(), 1);
    QCOMPARE(rotX.count(), 0);

    // Two buttons at once do nothing, but the position is still taken.
    c.mouseMove(QPointF(50, 50), Qt::LeftButton | Qt::RightButton);
    QCOMPARE(c.lastMouseX, 50.0);
    QCOMPARE(rotZ.count(), 1);
}

void TestCamera::pressUsesItsOwnPosition()
{
    CameraController c;
    c.mouseMove(QPointF(10, 10), Qt::NoButton);
    const PressResult ray =
        c.mousePress(QPointF(300, 200), Qt::LeftButton, Qt::ControlModifier, true);
    QVERIFY(ray.castArmourRay);
    QVERIFY(!ray.cursor);
    QCOMPARE(c.lastMouseX, 300.0);
    QCOMPARE(c.lastMouseY, 200.0);

    // The first drag delta is measured from the press.
    c.mousePress(QPointF(100, 100), Qt::LeftButton, Qt::NoModifier, false);
    c.mouseMove(QPointF(110, 100), Qt::LeftButton);
    QVERIFY(std::abs(c.dragAccumulator.y - 3.0f) < 1e-4f);
}

void TestCamera::pressCursors_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("armour");
    QTest::addColumn<int>("cursor"); // -1: unchanged
    QTest::addColumn<bool>("ray");
    QTest::newRow("right") << int(Qt::RightButton) << 0 << false << int(NavigationCursor::Pan)
                           << false;
    QTest::newRow("left") << int(Qt::LeftButton) << 0 << false << int(NavigationCursor::Orbit)
                          << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << 0 << false << int(NavigationCursor::Roll)
                            << false;
    QTest::newRow("two buttons") << int(Qt::LeftButton | Qt::RightButton) << 0 << false << -1
                                 << false;
    QTest::newRow("ctrl left, armour")
        << int(Qt::LeftButton) << int(Qt::ControlModifier) << true << -1 << true;
    QTest::newRow("ctrl left, no armour")
        << int(Qt::LeftButton) << int(Qt::ControlModifier) << false << -1 << false;
    QTest::newRow("ctrl right, armour")
        << int(Qt::RightButton) << int(Qt::ControlModifier) << true << -1 << false;
    QTest::newRow("ctrl+shift left")
        << int(Qt::LeftButton) << int(Qt::ControlModifier | Qt::ShiftModifier) << true
        << int(NavigationCursor::Orbit) << false;
}

void TestCamera::pressCursors()
{
    QFETCH(int, buttons);
    QFETCH(int, modifiers);
    QFETCH(bool, armour);
    QFETCH(int, cursor);
    QFETCH(bool, ray);
    CameraController c;
    c.spinVelocity = glm::vec3(1.0f);
    const PressResult r = c.mousePress(QPointF(1, 2), Qt::MouseButtons(buttons),
                                       Qt::KeyboardModifiers(modifiers), armour);
    QCOMPARE(r.castArmourRay, ray);
    QCOMPARE(r.cursor ? int(*r.cursor) : -1, cursor);
    QCOMPARE(c.spinVelocity, glm::vec3(0.0f));
    QCOMPARE(c.mouseRelease(armour), armour ? NavigationCursor::Armour : NavigationCursor::Idle);
}

void TestCamera::pickPixelStaysInsideFramebuffer_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("px");
    QTest::addColumn<int>("py");
    QTest::newRow("top row") << 10.0 << 0.0 << 10 << 99;
    QTest::newRow("bottom row") << 10.0 << 99.5 << 10 << 0;
    QTest::newRow("middle") << 50.0 << 50.0 << 50 << 50;
    QTest::newRow("past right") << 200.0 << 50.0 << 199 << 50;
    QTest::newRow("outside left/below") << -5.0 << 130.0 << 0 << 0;
}

void TestCamera::pickPixelStaysInsideFramebuffer()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, px);
    QFETCH(int, py);
    QCOMPARE(depthPixelForPick(x, y, 200, 100), glm::ivec2(px, py));
}

void TestCamera::backgroundPickReachesFarPlane()
{
    CameraController c;
    c.resize(400, 300);
    c.resetCamera();
    const CameraRay centre = cameraRayThrough(c.camera, 200, 150, 400, 300, 1.0f);
    QCOMPARE(centre.from, c.camera.eye);
    const glm::vec3 dir = glm::normalize(centre.to - centre.from);
    QVERIFY(fuzzyVec(dir, c.camera.forward));
    QVERIFY(std::abs(glm::length(centre.to - centre.from) - 1000.0f) < 1e-2f);

    // A corner ray lands on the far plane point under the cursor.
    const CameraRay corner = cameraRayThrough(c.camera, 0, 0, 400, 300, 1.0f);
    const glm::vec4 farPoint =
        glm::inverse(c.camera.projection * c.camera.view) * glm::vec4(-1, 1, 1, 1);
    const glm::vec3 expectedDir = glm::normalize(glm::vec3(farPoint / farPoint.w) - c.camera.eye);
    QVERIFY(fuzzyVec(glm::normalize(corner.to - corner.from), expectedDir));
    QVERIFY(std::isfinite(corner.to.x));
}

void TestCamera::cameraFileText()
{
    CameraFile file;
    file.target = glm::vec3(0.1f, 0, -2.5f);
    file.rotation = glm::vec3(28.5f, -25, 0);
    file.fov = 55;
    file.zoom = 12;
    file.type = 1;
    const QString text = writeCameraFile(file);
    QCOMPARE(text, QStringLiteral("<Camera>\n"
                                  " <Target>0.1 0 -2.5</Target>\n"
                                  " <Rotation>28.5 -25 0</Rotation>\n"
                                  " <Fov>55</Fov>\n"
                                  " <Zoom>12</Zoom>\n"
                                  " <Type>1</Type>\n"
                                  "</Camera>\n"));

    QCOMPARE(parseCameraVector(QStringLiteral("1 2 3")), glm::vec3(1, 2, 3));
    QCOMPARE(parseCameraVector(QStringLiteral(" 1\t2  3 ")), glm::vec3(1, 2, 3));
    QCOMPARE(parseCameraVector(QStringLiteral("1 2")), glm::vec3(0));
    QCOMPARE(parseCameraVector(QStringLiteral("1 x 3")), glm::vec3(0));
    QCOMPARE(parseCameraVector(QStringLiteral("1,5 2 3")), glm::vec3(0));
}

void TestCamera::cameraFileRoundTrip_data()
{
    QTest::addColumn<int>("typeIndex");
    QTest::newRow("perspective") << 0;
    QTest::newRow("orthographic") << 1;
}

void TestCamera::cameraFileRoundTrip()
{
    QFETCH(int, typeIndex);
    const QString path = mDir.filePath(QStringLiteral("view%1.Camera").arg(typeIndex));
    QList<FileChooserRequest> requests;
    setFileChooserHandler([&](const FileChooserRequest &r) {
        requests << r;
        return path;
    });

    CameraController saver;
    saver.resize(640, 480);
    saver.resetCamera();
    saver.cameraTypeChanged(typeIndex);
    saver.setcameraPositionX(0.1);
    saver.setcameraPositionZ(-3.0);
    saver.setcameraRotationX(28.5);
    saver.setCameraFov(40);
    saver.setCameraZoom(17);
    saver.saveCameraView();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, FileChooserKind::SaveFile);
    QCOMPARE(requests[0].caption, QStringLiteral("Save Camera File"));
    QCOMPARE(requests[0].dir, QString());
    QCOMPARE(requests[0].filter, QStringLiteral("Camera (*.Camera)"));

    CameraController loader;
    loader.resize(640, 480);
    loader.resetCamera();
    QSignalSpy loaded(&loader, &CameraController::cameraFileLoaded);
    QSignalSpy fovSpy(&loader, &CameraController::cameraFovChanged);
    QSignalSpy posZ(&loader, &CameraController::cameraPositionZChanged);
    loader.loadCameraView();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].kind, FileChooserKind::OpenFile);
    QCOMPARE(requests[1].caption, QStringLiteral("Open Camera File"));

    QCOMPARE(loader.cameraRotation, glm::vec3(28.5f, -25, 0));
    QCOMPARE(loader.cameraTarget, glm::vec3(0.1f, 0, -3));
    QCOMPARE(loader.fov, 40.0f);
    QCOMPARE(loader.zoom, 17.0f);
    QCOMPARE(loader.camera.type, saver.camera.type);
    QVERIFY(fuzzyVec(loader.camera.eye, saver.camera.eye));
    QCOMPARE(loader.camera.projection, saver.camera.projection);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.at(0).at(0).toInt(), typeIndex);
    QCOMPARE(fovSpy.at(0).at(0).toInt(), 40);
    QCOMPARE(posZ.at(0).at(0).toDouble(), -3.0);
}

void TestCamera::malformedCameraFileChangesNothing()
{
    const QString path = mDir.filePath(QStringLiteral("broken.Camera"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("<Camera><Target>1 2 3</Target><Fov>30");
    out.close();
    setFileChooserHandler([&](const FileChooserRequest &) { return path; });

    CameraController c;
    c.resize(640, 480);
    c.resetCamera();
    const glm::mat4 view = c.camera.view;
    QSignalSpy loaded(&c, &CameraController::cameraFileLoaded);
    QSignalSpy fovSpy(&c, &CameraController::cameraFovChanged);
    c.loadCameraView();
    QCOMPARE(c.camera.view, view);
    QCOMPARE(c.fov, 55.0f);
    QCOMPARE(loaded.count(), 0);
    QCOMPARE(fovSpy.count(), 0);
    QVERIFY(!readCameraFile(QByteArray()));
}

void TestCamera::missingElementsReadAsZeroAndAreClamped()
{
    const std::optional<CameraFile> empty = readCameraFile("<Camera/>");
    QVERIFY(empty);
    QCOMPARE(empty->target, glm::vec3(0));
    QCOMPARE(empty->fov, 0.0f);
    QCOMPARE(empty->zoom, 0.0f);
    QCOMPARE(empty->type, 0);

    const QString path = mDir.filePath(QStringLiteral("partial.Camera"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("<Camera><Rotation>10 20</Rotation><Fov>200</Fov><Type>1</Type></Camera>");
    out.close();
    setFileChooserHandler([&](const FileChooserRequest &) { return path; });

    CameraController c;
    c.resize(640, 480);
    c.resetCamera();
    c.setcameraPositionX(5.0);
    c.loadCameraView();
    QCOMPARE(c.cameraRotation, glm::vec3(0));
    QCOMPARE(c.cameraTarget, glm::vec3(0));
    // No zoom and an absurd field of view would give an infinite projection.
    QCOMPARE(c.zoom, 1.0f);
    QCOMPARE(c.fov, 90.0f);
    QCOMPARE(c.camera.type, int(Camera::TypeOrthographic));
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            QVERIFY(std::isfinite(c.camera.projection[col][row]));
        }
    }
}

void TestCamera::cancelledChooserDoesNothing()
{
    int asked = 0;
    setFileChooserHandler([&](const FileChooserRequest &) {
        ++asked;
        return QString();
    });
    CameraController c;
    c.resetCamera();
    QSignalSpy loaded(&c, &CameraController::cameraFileLoaded);
    c.saveCameraView();
    c.loadCameraView();
    QCOMPARE(asked, 2);
    QCOMPARE(loaded.count(), 0);
    QCOMPARE(c.cameraRotation, glm::vec3(28, -25, 0));
}

void TestCamera::transformStackPushPop()
{
    TransformStack t;
    t.pop();
    QCOMPARE(t.current, glm::mat4(1.0f));
    QVERIFY(t.stack.isEmpty());
    const glm::mat4 a = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
    t.current = a;
    t.push();
    t.current = a * a;
    t.push();
    t.current = glm::mat4(0.0f);
    t.pop();
    QCOMPARE(t.current, a * a);
    t.pop();
    QCOMPARE(t.current, a);
    QVERIFY(t.stack.isEmpty());
    t.pop();
    QCOMPARE(t.current, a);
}

QTEST_GUILESS_MAIN(TestCamera)
#include "test_camera.moc"

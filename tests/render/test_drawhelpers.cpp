#include "core/log.h"
#include "render/discmarker.h"
#include "render/glerror.h"
#include "render/gridmesh.h"
#include "render/linebatch.h"
#include "render/overlayimage.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <memory>

class TestDrawHelpers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void gridEvenHasColouredAxes();
    void gridOddIsAllGrey();
    void markerSphere();
    void markerPositionIsTranslation();
    void lineBatchKeepsTwoVerticesPerLine();

    void overlayLayout_data();
    void overlayLayout();
    void overlayPaintsLinesWhereLaidOut();
    void overlayTextureRowsAreFlipped();

    void glErrorNames_data();
    void glErrorNames();
    void pendingErrorsBecomeLogLines();
    void endlessErrorsAreCapped();

private:
    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
};

void TestDrawHelpers::initTestCase()
{
    QVERIFY(mRoot.isValid());
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();
}

void TestDrawHelpers::gridEvenHasColouredAxes()
{
    const QVector<LineVertex> v = gridVertices(20);
    QCOMPARE(v.size(), 84);
    const glm::vec3 offset = gridOffset(20);
    QCOMPARE(offset, glm::vec3(-10.0f, 0.01f, -10.0f));
    int red = 0;
    int blue = 0;
    for (int k = 0; k < v.size(); k += 2) {
        const glm::vec3 a = v[k].position + offset;
        const glm::vec3 b = v[k + 1].position + offset;
        QCOMPARE(v[k].colour, v[k + 1].colour);
        QCOMPARE(a.y, 0.01f);
        if (v[k].colour == glm::vec3(1.0f, 0.2f, 0.2f)) {
            ++red; // along z through world x = 0
            QCOMPARE(a.x, 0.0f);
            QCOMPARE(b.x, 0.0f);
            QCOMPARE(std::abs(b.z - a.z), 20.0f);
        } else if (v[k].colour == glm::vec3(0.3f, 0.3f, 1.0f)) {
            ++blue; // along x through world z = 0
            QCOMPARE(a.z, 0.0f);
            QCOMPARE(b.z, 0.0f);
            QCOMPARE(std::abs(b.x - a.x), 20.0f);
        } else {
            QCOMPARE(v[k].colour, glm::vec3(0.1f));
        }
        // Every line spans the grid from edge to edge.
        QVERIFY(std::abs(a.x) <= 10.0f && std::abs(a.z) <= 10.0f);
    }
    QCOMPARE(red, 1);
    QCOMPARE(blue, 1);
}

void TestDrawHelpers::gridOddIsAllGrey()
{
    const QVector<LineVertex> v = gridVertices(21);
    QCOMPARE(v.size(), 88);
    for (const LineVertex &p : v) {
        QCOMPARE(p.colour, glm::vec3(0.1f));
    }
    QCOMPARE(gridOffset(21), glm::vec3(-10.5f, 0.01f, -10.5f));
    QCOMPARE(v.last().position, glm::vec3(21, 0, 21));
}

void TestDrawHelpers::markerSphere()
{
    const QVector<LineVertex> v = markerSphereVertices(QColor(QStringLiteral("royalblue")));
    QCOMPARE(v.size(), 2904);
    const glm::vec3 royal(65 / 255.0f, 105 / 255.0f, 225 / 255.0f);
    int degenerate = 0;
    for (int k = 0; k < v.size(); k += 3) {
        for (int i = 0; i < 3; ++i) {
            QVERIFY(std::abs(glm::length(v[k + i].position) - 0.04f) < 1e-6f);
            QVERIFY(glm::all(glm::lessThan(glm::abs(v[k + i].colour - royal), glm::vec3(1e-6f))));
        }
        const glm::vec3 a = v[k].position;
        const glm::vec3 n = glm::cross(v[k + 1].position - a, v[k + 2].position - a);
        if (glm::length(n) < 1e-9f) {
            ++degenerate; // the pole triangles collapse to a line
            continue;
        }
        // Counter-clockwise seen from outside: the face normal points away from the centre.
        const glm::vec3 centroid = (a + v[k + 1].position + v[k + 2].position) / 3.0f;
        QVERIFY2(glm::dot(n, centroid) > 0.0f, qPrintable(QString::number(k)));
    }
    QVERIFY(degenerate <= 2 * 22);
}

void TestDrawHelpers::markerPositionIsTranslation()
{
    DiscMarker marker;
    marker.setPosition(glm::vec3(999.0f));
    QCOMPARE(marker.model, glm::translate(glm::mat4(1.0f), glm::vec3(999.0f)));
    marker.setPosition(glm::vec3(1, -2, 3));
    QCOMPARE(marker.model * glm::vec4(0, 0, 0, 1), glm::vec4(1, -2, 3, 1));
    QCOMPARE(glm::mat3(marker.model), glm::mat3(1.0f));
}

void TestDrawHelpers::lineBatchKeepsTwoVerticesPerLine()
{
    LineBatch batch; // no context: only the CPU side
    batch.addLine(glm::vec3(1, 2, 3), glm::vec3(4, 5, 6), QColor(255, 0, 51, 10));
    batch.addLine(glm::vec3(0), glm::vec3(1), QColor(QStringLiteral("yellow")));
    QCOMPARE(batch.vertices.size(), 4);
    QCOMPARE(batch.vertices[0].position, glm::vec3(1, 2, 3));
    QCOMPARE(batch.vertices[1].position, glm::vec3(4, 5, 6));
    QCOMPARE(batch.vertices[1].colour, glm::vec3(1, 0, 0.2f));
    QCOMPARE(batch.vertices[3].colour, glm::vec3(1, 1, 0));
    batch.draw(); // harmless without a context
    batch.clear();
    QVERIFY(batch.vertices.isEmpty());
}

void TestDrawHelpers::overlayLayout_data()
{
    QTest::addColumn<bool>("tank");
    QTest::addColumn<bool>("stats");
    QTest::addColumn<QList<int>>("ys");
    QTest::newRow("none") << false << false << QList<int> {};
    QTest::newRow("tank only") << true << false << QList<int> {15, 32, 49, 66, 83};
    QTest::newRow("stats only") << false << true << QList<int> {15, 32, 49, 66};
    QTest::newRow("both") << true << true << QList<int> {15, 32, 49, 66, 83, 100, 117, 134, 151};
}

void TestDrawHelpers::overlayLayout()
{
    QFETCH(bool, tank);
    QFETCH(bool, stats);
    QFETCH(QList<int>, ys);
    OverlayInfo info;
    info.showTankInfo = tank;
    info.showRenderInfo = stats;
    info.nation = QStringLiteral("Ostmark");
    info.hitPoints = QStringLiteral("1450");
    info.avgFps = 59.5f;
    info.frameTimeMs = 16.6667f;
    info.tankTriangles = 1200;
    info.hangarTriangles = 300;
    const QVector<OverlayLine> lines = overlayLines(info);
    QList<int> got;
    for (const OverlayLine &line : lines) {
        got << line.y;
        QCOMPARE(line.x, 10);
        QCOMPARE(line.colour,
                 got.size() <= (tank ? 5 : 0) ? QColor(Qt::white) : QColor(Qt::yellow));
    }
    QCOMPARE(got, ys);
    if (tank) {
        QCOMPARE(lines[0].text, QStringLiteral("Nation: Ostmark"));
        QCOMPARE(lines[4].text, QStringLiteral("Hit Points: 1450"));
    }
    if (stats) {
        const int s = tank ? 5 : 0;
        QCOMPARE(lines[s].text, QStringLiteral("Avg FPS: 59.5"));
        QCOMPARE(lines[s + 1].text, QStringLiteral("Frame Time(ms): 16.6667"));
        QCOMPARE(lines[s + 2].text, QStringLiteral("Tank Triangle count: 1200"));
        QCOMPARE(lines[s + 3].text, QStringLiteral("Total Scene Triangle count: 1500"));
    }
}

void TestDrawHelpers::overlayPaintsLinesWhereLaidOut()
{
    QImage image(OverlayImage::size, OverlayImage::size, QImage::Format_ARGB32);
    image.fill(Qt::red); // painting must clear what was there
    OverlayInfo info;
    info.showRenderInfo = true;
    QFont font;
    font.setPointSize(10);
    paintOverlayLines(image, overlayLines(info), font);

    // Rows with text ink: the tank block (white) above y 90, statistics (yellow) below.
    bool white = false;
    bool yellow = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 200) {
                continue;
            }
            QVERIFY2(x >= 9 && y < 160, qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
            if (c.blue() > 200 && c.red() > 200) {
                white = white || y < 90;
                QVERIFY(y < 90);
            } else if (c.red() > 200 && c.blue() < 60) {
                yellow = yellow || y > 85;
                QVERIFY(y > 85);
            }
        }
    }
    QVERIFY(white);
    QVERIFY(yellow);
    QCOMPARE(image.pixelColor(511, 511).alpha(), 0);
}

void TestDrawHelpers::overlayTextureRowsAreFlipped()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, QColor(10, 20, 30, 255)); // top-left
    const QImage gl = overlayTextureImage(image);
    QCOMPARE(gl.format(), QImage::Format_RGBA8888);
    // The first row in memory is the image's bottom row; bytes are R, G, B, A.
    const uchar *bottomRow = gl.constScanLine(0);
    QCOMPARE(int(bottomRow[3]), 0);
    const uchar *topRow = gl.constScanLine(3);
    QCOMPARE(int(topRow[0]), 10);
    QCOMPARE(int(topRow[1]), 20);
    QCOMPARE(int(topRow[2]), 30);
    QCOMPARE(int(topRow[3]), 255);
}

void TestDrawHelpers::glErrorNames_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0u << "GL_NO_ERROR";
    QTest::newRow("500") << 0x0500u << "GL_INVALID_ENUM";
    QTest::newRow("501") << 0x0501u << "GL_INVALID_VALUE";
    QTest::newRow("502") << 0x0502u << "GL_INVALID_OPERATION";
    QTest::newRow("503") << 0x0503u << "GL_STACK_OVERFLOW";
    QTest::newRow("504") << 0x0504u << "GL_STACK_UNDERFLOW";
    QTest::newRow("505") << 0x0505u << "GL_OUT_OF_MEMORY";
    QTest::newRow("506") << 0x0506u << "GL_INVALID_FRAMEBUFFER_OPERATION";
    QTest::newRow("507") << 0x0507u << "UNKOWN GL ERROR.";
    QTest::newRow("ffff") << 0xffffu << "UNKOWN GL ERROR.";
}

void TestDrawHelpers::glErrorNames()
{
    QFETCH(uint, code);
    QFETCH(QString, name);
    QCOMPARE(glErrorName(code), name);
}

void TestDrawHelpers::pendingErrorsBecomeLogLines()
{
    QList<GLenum> pending {0x0500, 0x0502, 0x0501};
    const QString before = mLog->text(Error);
    const int n = reportGlErrors(
        QStringLiteral("X"), [&]() { return pending.isEmpty() ? GLenum(0) : pending.takeFirst(); });
    QCOMPARE(n, 3);
    const QString added = mLog->text(Error).mid(before.size());
    const QStringList lines = added.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].endsWith(QStringLiteral("OpenGL error. Caller: X gl err: GL_INVALID_ENUM")));
    QVERIFY(
        lines[1].endsWith(QStringLiteral("OpenGL error. Caller: X gl err: GL_INVALID_OPERATION")));
    QVERIFY(lines[2].endsWith(QStringLiteral("OpenGL error. Caller: X gl err: GL_INVALID_VALUE")));
    QVERIFY(lines[0].contains(QStringLiteral("Error")));
}

void TestDrawHelpers::endlessErrorsAreCapped()
{
    int asked = 0;
    const int n = reportGlErrors(QStringLiteral("loop"), [&]() {
        ++asked;
        return GLenum(0x0502);
    });
    QCOMPARE(n, 32);
    QCOMPARE(asked, 32);
    // Without a current context there is nothing to drain.
    checkGlError(QStringLiteral("no context"));
}

QTEST_MAIN(TestDrawHelpers)
#include "test_drawhelpers.moc"

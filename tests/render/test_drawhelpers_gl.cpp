#include "core/log.h"
#include "render/camera.h"
#include "render/discmarker.h"
#include "render/glerror.h"
#include "render/gridmesh.h"
#include "render/linebatch.h"
#include "render/matrixstack.h"
#include "render/offscreengl.h"
#include "render/overlayimage.h"

#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

namespace {

const char *lineVertex =
    "#version 150\n"
    "in vec3 iVertPos;\n"
    "in vec3 iColour;\n"
    "uniform mat4 ModelViewProj;\n"
    "out vec3 colour;\n"
    "void main() { colour = iColour; gl_Position = ModelViewProj * vec4(iVertPos, 1.0); }\n";
const char *gridVertex =
    "#version 150\n"
    "in vec3 iVertPos;\n"
    "in vec3 iGeneric0;\n"
    "uniform mat4 mvp;\n"
    "out vec3 colour;\n"
    "void main() { colour = iGeneric0; gl_Position = mvp * vec4(iVertPos, 1.0); }\n";
const char *colourFragment = "#version 150\n"
                             "in vec3 colour;\n"
                             "out vec4 fragColour;\n"
                             "void main() { fragColour = vec4(colour, 1.0); }\n";
const char *fontVertex =
    "#version 150\n"
    "in vec3 iVertPos;\n"
    "out vec2 uv;\n"
    "void main() { uv = iVertPos.xy * 0.5 + 0.5; gl_Position = vec4(iVertPos, 1.0); }\n";
const char *fontFragment = "#version 150\n"
                           "in vec2 uv;\n"
                           "uniform sampler2D diffuseMap0;\n"
                           "out vec4 fragColour;\n"
                           "void main() { fragColour = texture(diffuseMap0, uv); }\n";

} // namespace

class TestDrawHelpersGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void gridBufferHoldsTheGrid();
    void gridDrawsItsAxesWhereTheCameraSays();
    void lineBatchLayoutAndEmptyDraw();
    void markerUploadsItsSphere();
    void checkGlErrorLogsProvokedError();
    void overlayRestoresStateAndUploadsOnlyWhenDirty();
    void hiddenOverlayTouchesNothing();

private:
    GLuint link(const char *vertex, const char *fragment,
                const QList<QPair<int, const char *>> &attributes);
    QString errorLog() const { return mLog->text(Error); }

    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    std::unique_ptr<MatrixStack> mStack;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    GLuint mLineProgram = 0;
    GLuint mGridProgram = 0;
    GLuint mFontProgram = 0;
};

GLuint TestDrawHelpersGl::link(const char *vertex, const char *fragment,
                               const QList<QPair<int, const char *>> &attributes)
{
    const GLuint program = gl->glCreateProgram();
    for (auto [type, text] : {QPair<GLenum, const char *>(GL_VERTEX_SHADER, vertex),
                              QPair<GLenum, const char *>(GL_FRAGMENT_SHADER, fragment)}) {
        const GLuint shader = gl->glCreateShader(type);
        gl->glShaderSource(shader, 1, &text, nullptr);
        gl->glCompileShader(shader);
        gl->glAttachShader(program, shader);
        gl->glDeleteShader(shader);
    }
    for (const auto &a : attributes) {
        gl->glBindAttribLocation(program, GLuint(a.first), a.second);
    }
    gl->glLinkProgram(program);
    GLint linked = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char info[1024] = {};
        gl->glGetProgramInfoLog(program, sizeof(info), nullptr, info);
        qWarning("link failed: %s", info);
        return 0;
    }
    return program;
}

void TestDrawHelpersGl::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);

    mLineProgram = link(lineVertex, colourFragment, {{0, "iVertPos"}, {1, "iColour"}});
    mGridProgram = link(gridVertex, colourFragment, {{0, "iVertPos"}, {7, "iGeneric0"}});
    mFontProgram = link(fontVertex, fontFragment, {{0, "iVertPos"}});
    QVERIFY(mLineProgram && mGridProgram && mFontProgram);
    mStack = std::make_unique<MatrixStack>();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestDrawHelpersGl::cleanupTestCase()
{
    if (mContext && mContext->makeCurrent(mSurface.get())) {
        gl->glDeleteProgram(mLineProgram);
        gl->glDeleteProgram(mGridProgram);
        gl->glDeleteProgram(mFontProgram);
        mContext->doneCurrent();
    }
}

void TestDrawHelpersGl::init()
{
    QVERIFY(mContext->makeCurrent(mSurface.get()));
    while (gl->glGetError() != GL_NO_ERROR) { }
}

void TestDrawHelpersGl::gridBufferHoldsTheGrid()
{
    for (int cells : {20, 21}) {
        GridMesh grid;
        grid.create(cells, mGridProgram);
        QCOMPARE(grid.vertexCount(), 4 * (cells + 1));
        QCOMPARE(grid.offset, gridOffset(cells));
        const QVector<LineVertex> expected = gridVertices(cells);
        QVector<LineVertex> got(expected.size());
        gl->glBindBuffer(GL_ARRAY_BUFFER, grid.buffer());
        gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, got.size() * lineVertexStride, got.data());
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
        QVERIFY(std::memcmp(got.constData(), expected.constData(), got.size() * sizeof(LineVertex))
                == 0);
    }
    QVERIFY(!errorLog().contains(QStringLiteral("Gridmesh")));
}

void TestDrawHelpersGl::gridDrawsItsAxesWhereTheCameraSays()
{
    const int size = 64;
    QOpenGLFramebufferObject fbo(size, size, QOpenGLFramebufferObject::Depth);
    QVERIFY(fbo.bind());
    gl->glViewport(0, 0, size, size);
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl->glEnable(GL_DEPTH_TEST);

    // From above: screen x is world x, screen up is world -z.
    Camera camera;
    camera.distance = 12.0f;
    camera.setRotation(glm::vec3(90, 0, 0));
    camera.aspect = 1.0f;
    camera.setPerspective();
    mStack->setView(camera);

    GridMesh grid;
    grid.create(20, mGridProgram);
    grid.draw();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    const QImage image = fbo.toImage();
    fbo.release();

    auto hasColourNear = [&](int x, int y, bool wantRed) {
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const QColor c = image.pixelColor(x + dx, y + dy);
                if (wantRed ? (c.red() > 200 && c.blue() < 100)
                            : (c.blue() > 200 && c.red() < 100)) {
                    return true;
                }
            }
        }
        return false;
    };
    // The red line runs through the centre column, the blue one through the centre row.
    QVERIFY(hasColourNear(size / 2, 12, true));
    QVERIFY(hasColourNear(size / 2, size - 12, true));
    QVERIFY(hasColourNear(12, size / 2, false));
    QVERIFY(!hasColourNear(12, 12, true));
}

void TestDrawHelpersGl::lineBatchLayoutAndEmptyDraw()
{
    LineBatch batch;
    batch.init(mLineProgram);
    QVERIFY(batch.buffer != 0 && batch.vertexArray != 0);
    gl->glBindVertexArray(batch.vertexArray);
    GLint stride0 = 0;
    GLint stride1 = 0;
    GLint enabled0 = 0;
    void *pointer1 = nullptr;
    gl->glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride0);
    gl->glGetVertexAttribiv(1, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride1);
    gl->glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled0);
    gl->glGetVertexAttribPointerv(1, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer1);
    gl->glBindVertexArray(0);
    QCOMPARE(stride0, 24);
    QCOMPARE(stride1, 24);
    QCOMPARE(enabled0, 1);
    QCOMPARE(qintptr(pointer1), qintptr(12));

    auto bufferSize = [&]() {
        GLint bytes = 0;
        gl->glBindBuffer(GL_ARRAY_BUFFER, batch.buffer);
        gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        return bytes;
    };
    auto primitivesOf = [&](auto &&drawCall) {
        GLuint query = 0;
        gl->glGenQueries(1, &query);
        gl->glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        drawCall();
        gl->glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint count = 0;
        gl->glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        gl->glDeleteQueries(1, &query);
        return count;
    };

    QCOMPARE(primitivesOf([&]() { batch.draw(); }), GLuint(0));
    QCOMPARE(bufferSize(), 24); // nothing uploaded either

    batch.addLine(glm::vec3(0), glm::vec3(1), QColor(Qt::yellow));
    batch.addLine(glm::vec3(1), glm::vec3(2), QColor(Qt::red));
    QCOMPARE(primitivesOf([&]() { batch.draw(); }), GLuint(2));
    QCOMPARE(bufferSize(), 4 * 24);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestDrawHelpersGl::markerUploadsItsSphere()
{
    DiscMarker marker;
    marker.build(QColor(QStringLiteral("royalblue")), mLineProgram);
    marker.setPosition(glm::vec3(999.0f));
    QCOMPARE(marker.vertices.size(), 2904);
    GLint bytes = 0;
    gl->glBindBuffer(GL_ARRAY_BUFFER, marker.buffer);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    QCOMPARE(bytes, 2904 * 24);
    marker.draw();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestDrawHelpersGl::checkGlErrorLogsProvokedError()
{
    const int before = int(errorLog().size());
    gl->glEnable(0xFFFF); // GL_INVALID_ENUM
    checkGlError(QStringLiteral("provoked"));
    const QString added = errorLog().mid(before);
    QVERIFY2(
        added.contains(QStringLiteral("OpenGL error. Caller: provoked gl err: GL_INVALID_ENUM")),
        qPrintable(added));
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR)); // drained
    const int after = int(errorLog().size());
    checkGlError(QStringLiteral("clean"));
    QCOMPARE(int(errorLog().size()), after);
}

void TestDrawHelpersGl::overlayRestoresStateAndUploadsOnlyWhenDirty()
{
    const int w = 800;
    const int h = 600;
    QOpenGLFramebufferObject fbo(w, h, QOpenGLFramebufferObject::Depth);
    QVERIFY(fbo.bind());
    gl->glViewport(0, 0, w, h);
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl->glEnable(GL_DEPTH_TEST);

    OverlayImage overlay;
    overlay.init(mFontProgram);
    QVERIFY(overlay.dirty);
    OverlayInfo info; // tank block only
    info.nation = QStringLiteral("Ostmark");
    QFont font;
    font.setPointSize(10);
    overlay.drawTexts(info, font, w, h);
    overlay.drawTexts(info, font, w, h);
    QCOMPARE(overlay.uploadCount, 1);
    overlay.dirty = true;
    overlay.drawTexts(info, font, w, h);
    QCOMPARE(overlay.uploadCount, 2);
    info.showRenderInfo = true; // statistics repaint every frame
    overlay.drawTexts(info, font, w, h);
    overlay.drawTexts(info, font, w, h);
    QCOMPARE(overlay.uploadCount, 4);

    GLint viewport[4] = {};
    gl->glGetIntegerv(GL_VIEWPORT, viewport);
    QCOMPARE(QList<int>({viewport[0], viewport[1], viewport[2], viewport[3]}),
             QList<int>({0, 0, w, h}));
    QCOMPARE(gl->glIsEnabled(GL_BLEND), GLboolean(GL_FALSE));
    QCOMPARE(gl->glIsEnabled(GL_DEPTH_TEST), GLboolean(GL_TRUE));
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    // Text upright in the top-left corner: ink in the first rows, none at the bottom.
    const QImage image = fbo.toImage();
    fbo.release();
    bool inkTop = false;
    for (int y = 5; y < 30 && !inkTop; ++y) {
        for (int x = 1; x < 200 && !inkTop; ++x) {
            inkTop = image.pixelColor(x, y).red() > 128;
        }
    }
    QVERIFY(inkTop);
    bool inkBottom = false;
    for (int y = h - 100; y < h && !inkBottom; ++y) {
        for (int x = 0; x < w && !inkBottom; ++x) {
            inkBottom = image.pixelColor(x, y).red() > 0;
        }
    }
    QVERIFY(!inkBottom);
}

void TestDrawHelpersGl::hiddenOverlayTouchesNothing()
{
    OverlayImage overlay;
    overlay.init(mFontProgram);
    OverlayInfo info;
    info.showTankInfo = false;
    info.showRenderInfo = false;
    gl->glViewport(3, 4, 50, 60);
    gl->glEnable(GL_BLEND);
    gl->glDisable(GL_DEPTH_TEST);
    overlay.drawTexts(info, QFont(), 800, 600);
    QCOMPARE(overlay.uploadCount, 0);
    QVERIFY(overlay.dirty);
    GLint viewport[4] = {};
    gl->glGetIntegerv(GL_VIEWPORT, viewport);
    QCOMPARE(viewport[2], 50);
    QCOMPARE(gl->glIsEnabled(GL_BLEND), GLboolean(GL_TRUE));
    QCOMPARE(gl->glIsEnabled(GL_DEPTH_TEST), GLboolean(GL_FALSE));
    gl->glDisable(GL_BLEND);
    gl->glEnable(GL_DEPTH_TEST);
}

QTEST_MAIN(TestDrawHelpersGl)
#include "test_drawhelpers_gl.moc"

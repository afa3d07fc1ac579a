// GL name ownership: GlHandle (move, delete once, only in the context or share
// group it was made in) and the scoped pick target built on it.
#include "render/glhandle.h"
#include "render/internal/picktarget.h"
#include "render/offscreengl.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QOpenGLFunctions_3_2_Core *currentGl()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    auto *gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(context);
    gl->initializeOpenGLFunctions();
    return gl;
}

// A name becomes an object of its kind only once bound.
void bindOnce(GlObjectKind kind, GLuint name)
{
    QOpenGLFunctions_3_2_Core *gl = currentGl();
    switch (kind) {
    case GlObjectKind::Buffer:
        gl->glBindBuffer(GL_ARRAY_BUFFER, name);
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        break;
    case GlObjectKind::VertexArray:
        gl->glBindVertexArray(name);
        gl->glBindVertexArray(0);
        break;
    case GlObjectKind::Texture:
        gl->glBindTexture(GL_TEXTURE_2D, name);
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        break;
    case GlObjectKind::Framebuffer:
        gl->glBindFramebuffer(GL_FRAMEBUFFER, name);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        break;
    case GlObjectKind::Renderbuffer:
        gl->glBindRenderbuffer(GL_RENDERBUFFER, name);
        gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
        break;
    }
}

bool isObject(GlObjectKind kind, GLuint name)
{
    QOpenGLFunctions_3_2_Core *gl = currentGl();
    switch (kind) {
    case GlObjectKind::Buffer: return gl->glIsBuffer(name);
    case GlObjectKind::VertexArray: return gl->glIsVertexArray(name);
    case GlObjectKind::Texture: return gl->glIsTexture(name);
    case GlObjectKind::Framebuffer: return gl->glIsFramebuffer(name);
    case GlObjectKind::Renderbuffer: return gl->glIsRenderbuffer(name);
    }
    return false;
}

template <GlObjectKind Kind> GlHandle<Kind> made()
{
    GlHandle<Kind> handle = GlHandle<Kind>::generate();
    bindOnce(Kind, handle);
    return handle;
}

template <GlObjectKind Kind> void checkMoveAndDelete()
{
    GlHandle<Kind> first = made<Kind>();
    const GLuint name = first;
    QVERIFY(name != 0 && isObject(Kind, name));

    GlHandle<Kind> second(std::move(first));
    QVERIFY(first.isEmpty());
    QCOMPARE(GLuint(second), name);
    first.reset(); // the moved-from handle deletes nothing
    QVERIFY(isObject(Kind, name));

    GlHandle<Kind> third = made<Kind>();
    const GLuint replaced = third;
    third = std::move(second); // the name it held goes
    QVERIFY(second.isEmpty());
    QVERIFY(!isObject(Kind, replaced));
    QCOMPARE(GLuint(third), name);
    QVERIFY(isObject(Kind, name));

    {
        GlHandle<Kind> last(std::move(third));
    }
    QVERIFY(!isObject(Kind, name));
    QCOMPARE(currentGl()->glGetError(), GLenum(GL_NO_ERROR));
}

// Objects made in the current context until one has the number wanted (names start
// low in a fresh context); the last one has it unless the count ran out.
template <GlObjectKind Kind> std::vector<GlHandle<Kind>> madeUpTo(GLuint wanted)
{
    std::vector<GlHandle<Kind>> handles;
    while (handles.size() < 64 && (handles.empty() || handles.back() < wanted)) {
        handles.push_back(made<Kind>());
    }
    return handles;
}

} // namespace

class TestGlHandle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl); }
    void init() { QVERIFY(mContext->makeCurrent(mSurface.get())); }

    void moveHandsOverAndDeletesOnce_data()
    {
        QTest::addColumn<GlObjectKind>("kind");
        QTest::newRow("buffer") << GlObjectKind::Buffer;
        QTest::newRow("vertex array") << GlObjectKind::VertexArray;
        QTest::newRow("texture") << GlObjectKind::Texture;
        QTest::newRow("framebuffer") << GlObjectKind::Framebuffer;
        QTest::newRow("renderbuffer") << GlObjectKind::Renderbuffer;
    }

    void moveHandsOverAndDeletesOnce()
    {
        QFETCH(GlObjectKind, kind);
        switch (kind) {
        case GlObjectKind::Buffer: checkMoveAndDelete<GlObjectKind::Buffer>(); break;
        case GlObjectKind::VertexArray: checkMoveAndDelete<GlObjectKind::VertexArray>(); break;
        case GlObjectKind::Texture: checkMoveAndDelete<GlObjectKind::Texture>(); break;
        case GlObjectKind::Framebuffer: checkMoveAndDelete<GlObjectKind::Framebuffer>(); break;
        case GlObjectKind::Renderbuffer: checkMoveAndDelete<GlObjectKind::Renderbuffer>(); break;
        }
    }

    // Deleting a number in the wrong context would delete whatever that context
    // calls by it: the view's old names after it moved to a new window, say.
    void deletedOnlyWhereMade()
    {
        GlBuffer buffer = made<GlObjectKind::Buffer>();
        GlVertexArray vertexArray = made<GlObjectKind::VertexArray>();
        const GLuint bufferName = buffer;
        const GLuint vertexArrayName = vertexArray;

        // A stranger whose own buffer carries the same number keeps it.
        QOpenGLContext stranger;
        stranger.setFormat(mContext->format());
        QVERIFY(stranger.create());
        QVERIFY(stranger.makeCurrent(mSurface.get()));
        std::vector<GlBuffer> strangers = madeUpTo<GlObjectKind::Buffer>(bufferName);
        QCOMPARE(GLuint(strangers.back()), bufferName);
        GlBuffer moved = std::move(buffer);
        moved.reset();
        QVERIFY(moved.isEmpty());
        QVERIFY(isObject(GlObjectKind::Buffer, bufferName));
        strangers.clear();

        // A context of the same share group deletes a buffer, but not a vertex array,
        // which belongs to the context it was made in alone.
        QVERIFY(mContext->makeCurrent(mSurface.get()));
        QVERIFY(isObject(GlObjectKind::Buffer, bufferName));
        GlBuffer shared = made<GlObjectKind::Buffer>();
        const GLuint sharedName = shared;
        QOpenGLContext sharing;
        sharing.setFormat(mContext->format());
        sharing.setShareContext(mContext.get());
        QVERIFY(sharing.create());
        QVERIFY(sharing.makeCurrent(mSurface.get()));
        std::vector<GlVertexArray> own = madeUpTo<GlObjectKind::VertexArray>(vertexArrayName);
        QCOMPARE(GLuint(own.back()), vertexArrayName);
        shared.reset();
        vertexArray.reset();
        QVERIFY(isObject(GlObjectKind::VertexArray, vertexArrayName));
        own.clear();
        QVERIFY(mContext->makeCurrent(mSurface.get()));
        QVERIFY(!isObject(GlObjectKind::Buffer, sharedName));
        QVERIFY(isObject(GlObjectKind::VertexArray, vertexArrayName));
        gl->glDeleteVertexArrays(1, &vertexArrayName);
        gl->glDeleteBuffers(1, &bufferName);
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    void pickTargetReadsTheResolvedDepth_data()
    {
        QTest::addColumn<QOpenGLFramebufferObject::Attachment>("attachment");
        QTest::newRow("depth") << QOpenGLFramebufferObject::Depth;
        QTest::newRow("depth and stencil") << QOpenGLFramebufferObject::CombinedDepthStencil;
    }

    // The view's framebuffer is multisampled: the one pixel is resolved into a target
    // of the same depth format before it is read.
    void pickTargetReadsTheResolvedDepth()
    {
        QFETCH(QOpenGLFramebufferObject::Attachment, attachment);
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(attachment);
        format.setSamples(4);
        QOpenGLFramebufferObject source(64, 32, format);
        QVERIFY(source.bind());
        gl->glClearDepth(1.0);
        gl->glClear(GL_DEPTH_BUFFER_BIT);
        gl->glEnable(GL_SCISSOR_TEST);
        gl->glScissor(0, 0, 32, 32);
        gl->glClearDepth(0.25);
        gl->glClear(GL_DEPTH_BUFFER_BIT);
        gl->glDisable(GL_SCISSOR_TEST);
        gl->glClearDepth(1.0);

        {
            internal::PickTarget target(source.handle());
            QVERIFY(qAbs(target.readDepth(glm::ivec2(5, 20), -1.0f) - 0.25f) < 1e-4f);
            QVERIFY(qAbs(target.readDepth(glm::ivec2(60, 3), -1.0f) - 1.0f) < 1e-4f);
            GLint draw = 0;
            GLint read = 0;
            gl->glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
            gl->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
            QCOMPARE(GLuint(draw), source.handle());
            QCOMPARE(GLuint(read), source.handle());
        }
        source.release();
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

private:
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
};

QTEST_MAIN(TestGlHandle)
#include "test_glhandle_gl.moc"

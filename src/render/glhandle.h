#pragma once

#include <QObject>
#include <QPointer>

#include <utility>

using GLuint = unsigned int;

// The kinds of GL object a GlHandle owns; each is made and deleted with its own
// glGen* and glDelete* call.
enum class GlObjectKind { Buffer, VertexArray, Texture, Framebuffer, Renderbuffer };

namespace internal {

// What a name of the kind made now belongs to: the current context for vertex arrays
// and framebuffers, which contexts never share, else the context's share group. Null
// without a current context.
[[nodiscard]] QObject *currentGlOwner(GlObjectKind kind);
// A new name of the kind in the current context; 0 without one.
[[nodiscard]] GLuint generateGlName(GlObjectKind kind);
// Deletes the name when its owner is current. With no context current the name is
// left to its context; with another one current it is left too, with a Warning: there
// the same number may name another object.
void deleteGlName(GlObjectKind kind, GLuint name, const QObject *owner);

} // namespace internal

// One GL object name and the context or share group it was made in. Move-only: moving hands
// the name over and leaves the source empty; the destructor deletes the name once.
// An empty handle is safe to destroy without a context. Converts to the bare name
// so that GL calls take it as they are.
template <GlObjectKind Kind> class GlHandle
{
public:
    GlHandle() = default;
    ~GlHandle() { reset(); }
    GlHandle(const GlHandle &) = delete;
    GlHandle &operator=(const GlHandle &) = delete;
    GlHandle(GlHandle &&other) noexcept
        : mName(std::exchange(other.mName, 0))
        , mOwner(std::exchange(other.mOwner, nullptr))
    {
    }
    GlHandle &operator=(GlHandle &&other) noexcept
    {
        if (this != &other) {
            reset();
            mName = std::exchange(other.mName, 0);
            mOwner = std::exchange(other.mOwner, nullptr);
        }
        return *this;
    }

    // A new object in the current context; empty without one.
    [[nodiscard]] static GlHandle generate()
    {
        GlHandle handle;
        handle.mName = internal::generateGlName(Kind);
        if (handle.mName != 0) {
            handle.mOwner = internal::currentGlOwner(Kind);
        }
        return handle;
    }

    operator GLuint() const noexcept { return mName; }
    [[nodiscard]] bool isEmpty() const noexcept { return mName == 0; }

    // Deletes the object (see internal::deleteGlName) and leaves the handle empty.
    void reset()
    {
        if (mName != 0) {
            internal::deleteGlName(Kind, mName, mOwner.data());
        }
        mName = 0;
        mOwner = nullptr;
    }

private:
    GLuint mName = 0;
    // Guarded: a context or group that is gone took its names with it.
    QPointer<QObject> mOwner;
};

using GlBuffer = GlHandle<GlObjectKind::Buffer>;
using GlVertexArray = GlHandle<GlObjectKind::VertexArray>;
using GlTexture = GlHandle<GlObjectKind::Texture>;
using GlFramebuffer = GlHandle<GlObjectKind::Framebuffer>;
using GlRenderbuffer = GlHandle<GlObjectKind::Renderbuffer>;

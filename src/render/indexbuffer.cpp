#include "render/indexbuffer.h"

#include "gamedata/indexsection.h"
#include "gamedata/visualgeometry.h"
#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <algorithm>
#include <cstring>
#include <utility>

IndexBuffer::~IndexBuffer()
{
    destroy();
}

IndexBuffer::IndexBuffer(IndexBuffer &&other) noexcept
    : groups(std::exchange(other.groups, {}))
    , highestVertex(std::exchange(other.highestVertex, 0))
    , use32BitIndices(std::exchange(other.use32BitIndices, false))
    , mBuffer(std::exchange(other.mBuffer, 0))
    , mByteSize(std::exchange(other.mByteSize, 0))
{
}

IndexBuffer &IndexBuffer::operator=(IndexBuffer &&other) noexcept
{
    if (this != &other) {
        destroy();
        groups = std::exchange(other.groups, {});
        highestVertex = std::exchange(other.highestVertex, 0);
        use32BitIndices = std::exchange(other.use32BitIndices, false);
        mBuffer = std::exchange(other.mBuffer, 0);
        mByteSize = std::exchange(other.mByteSize, 0);
    }
    return *this;
}

void IndexBuffer::load(const VisualGeometry &geometry)
{
    destroy();
    const IndexSection &layout = geometry.indexLayout;
    groups = layout.groups;
    highestVertex = layout.highestVertex;
    use32BitIndices = layout.use32BitIndices;
    mByteSize = qint64(layout.indexCount) * layout.indexWidth();

    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    gl->glGenBuffers(1, &mBuffer);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mBuffer);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(mByteSize), nullptr, GL_STATIC_DRAW);
    // Mapping an empty buffer fails on some drivers; there is nothing to write anyway.
    if (mByteSize > 0) {
        if (void *mapped = gl->glMapBuffer(GL_ELEMENT_ARRAY_BUFFER, GL_WRITE_ONLY)) {
            // Only the triangles the record holds from this section's first index on,
            // and never more than the buffer takes.
            const qint64 held = use32BitIndices ? geometry.indices32.size() - layout.firstIndex
                                                : geometry.indices16.size() - layout.firstIndex;
            const qint64 whole =
                std::min(std::min(qint64(geometry.triangleCount) * 3, held) * layout.indexWidth(),
                         mByteSize);
            const void *source =
                use32BitIndices
                    ? static_cast<const void *>(geometry.indices32.constData() + layout.firstIndex)
                    : static_cast<const void *>(geometry.indices16.constData() + layout.firstIndex);
            if (whole > 0) {
                std::memcpy(mapped, source, size_t(whole));
            }
            // Indices past the last whole triangle are never drawn; zero, not garbage.
            std::memset(static_cast<char *>(mapped) + std::max<qint64>(whole, 0), 0,
                        size_t(mByteSize - std::max<qint64>(whole, 0)));
            gl->glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
        }
    }
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void IndexBuffer::destroy()
{
    if (mBuffer != 0) {
        if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
            gl->glDeleteBuffers(1, &mBuffer);
        }
        mBuffer = 0;
    }
    mByteSize = 0;
}

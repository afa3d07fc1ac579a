#include "render/indexbuffer.h"

#include "gamedata/indexsection.h"
#include "gamedata/visualgeometry.h"
#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <algorithm>
#include <cstring>

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
    mBuffer = GlBuffer::generate();
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
    mBuffer.reset();
    mByteSize = 0;
}

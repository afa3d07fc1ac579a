#include "render/indexbuffer.h"

#include "gamedata/indexsection.h"
#include "gamedata/visualgeometry.h"
#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <cstring>

void IndexBuffer::load(const QByteArray &section, VisualGeometry *geometry)
{
    destroy();
    VisualGeometry scratch;
    VisualGeometry *target = geometry ? geometry : &scratch;
    const IndexSection decoded = decodeIndexSection(section, target);
    groups = decoded.groups;
    highestVertex = decoded.highestVertex;
    use32BitIndices = decoded.use32BitIndices;
    mByteSize = qint64(decoded.indexCount) * decoded.indexWidth();

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
            const qint64 whole = qint64(target->triangleCount) * 3 * decoded.indexWidth();
            const void *source =
                use32BitIndices
                    ? static_cast<const void *>(target->indices32.constData() + decoded.firstIndex)
                    : static_cast<const void *>(target->indices16.constData() + decoded.firstIndex);
            if (whole > 0) {
                std::memcpy(mapped, source, size_t(whole));
            }
            // Indices past the last whole triangle are never drawn; zero, not garbage.
            std::memset(static_cast<char *>(mapped) + whole, 0, size_t(mByteSize - whole));
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

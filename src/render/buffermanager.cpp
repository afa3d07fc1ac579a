#include "render/buffermanager.h"

#include "gamedata/visualgeometry.h"
#include "render/internal/glcore.h"
#include "render/vertexbuffer.h"

#include <QOpenGLFunctions_3_2_Core>

#include <vector>

BufferManager::BufferManager() = default;

BufferManager::~BufferManager()
{
    for (const Entry &entry : std::as_const(entries)) {
        delete entry.buffer;
    }
    entries.clear();
}

VertexBuffer *BufferManager::loadVertices(const QString &name, const VisualGeometry &geometry)
{
    const VertexSection &layout = geometry.vertexLayout;
    auto *buffer = new VertexBuffer;
    if (layout.format == VertexFormat::Unknown) {
        return addBuffer(buffer, name);
    }

    QList<VertexAttribute *> attributes;
    for (const VertexInput &input : layout.inputs) {
        attributes.append(new VertexAttribute {input.type, input.location});
    }
    buffer->setAttributes(attributes);
    buffer->create(layout.vertexCount, nullptr);

    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    // An empty buffer is never mapped: some drivers answer null for it.
    if (!gl || buffer->vbo == 0 || buffer->byteSize == 0) {
        return addBuffer(buffer, name);
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer->vbo);
    bool written = false;
    if (void *mapped = gl->glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY)) {
        written =
            interleaveVertices(geometry, static_cast<float *>(mapped), qint64(buffer->byteSize));
        // A buffer whose store was lost while mapped is undefined: write it again.
        written = gl->glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE && written;
    }
    if (!written) {
        std::vector<float> floats(size_t(buffer->byteSize) / sizeof(float));
        if (interleaveVertices(geometry, floats.data(), qint64(buffer->byteSize))) {
            gl->glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(buffer->byteSize), floats.data());
        }
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return addBuffer(buffer, name);
}

VertexBuffer *BufferManager::addBuffer(VertexBuffer *buffer, const QString &name)
{
    entries.append({buffer, name});
    return buffer;
}

void BufferManager::removeBuffer(VertexBuffer *buffer)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).buffer == buffer) {
            delete buffer;
            entries.removeAt(i);
            return;
        }
    }
}

#include "render/buffermanager.h"

#include "core/log.h"
#include "gamedata/vertexsection.h"
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

VertexBuffer *BufferManager::loadVertices(const QString &name, const QByteArray &section,
                                          VisualGeometry *geometry, const QByteArray &uv2)
{
    const VertexSection layout = inspectVertexSection(section, uv2);
    auto *buffer = new VertexBuffer;
    if (layout.format == VertexFormat::Unknown) {
        logLine(QStringLiteral("Vertex format not supported:") + layout.formatName, Error);
        return addBuffer(buffer, name);
    }

    QList<VertexAttribute *> attributes;
    for (const VertexInput &input : layout.inputs) {
        attributes.append(new VertexAttribute {input.type, input.location});
    }
    buffer->setAttributes(attributes);
    buffer->create(layout.vertexCount, nullptr);

    bool written = false;
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    // An empty buffer is never mapped: some drivers answer null for it.
    if (gl && buffer->vbo != 0 && buffer->byteSize > 0) {
        gl->glBindBuffer(GL_ARRAY_BUFFER, buffer->vbo);
        if (void *mapped = gl->glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY)) {
            written = decodeVertices(section, uv2, layout, static_cast<float *>(mapped),
                                     qint64(buffer->byteSize), geometry);
            gl->glUnmapBuffer(GL_ARRAY_BUFFER);
        }
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    if (!written && layout.vertexCount > 0) {
        // No context or no mapping: the CPU side is still wanted (exports, collision).
        std::vector<float> floats(size_t(layout.vertexCount) * size_t(layout.floatsPerVertex));
        const bool decoded = decodeVertices(section, uv2, layout, floats.data(),
                                            qint64(floats.size() * sizeof(float)), geometry);
        if (decoded && gl && buffer->vbo != 0
            && buffer->byteSize <= floats.size() * sizeof(float)) {
            gl->glBindBuffer(GL_ARRAY_BUFFER, buffer->vbo);
            gl->glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(buffer->byteSize), floats.data());
            gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        }
    }
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

#pragma once

#include "core/singleton.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class VertexBuffer;
struct VisualGeometry;

// The registry of the vertex buffers made from .primitives files. It owns every
// buffer it hands out until removeBuffer() or its own end; a buffer destroyed while
// no context is current frees only its CPU side.
class BufferManager : public QObject, public Singleton<BufferManager>
{
    Q_OBJECT

public:
    struct Entry
    {
        VertexBuffer *buffer = nullptr; // owned
        QString name;
    };

    BufferManager();
    ~BufferManager() override;

    // Decodes one vertex section (uv2: the second stream's section, or empty) into a
    // new vertex buffer, appends the CPU-side data to geometry (may be null),
    // registers the buffer under name and returns it. An unknown format is an Error
    // line and gives a buffer without vertices and without GL objects.
    VertexBuffer *loadVertices(const QString &name, const QByteArray &section,
                               VisualGeometry *geometry, const QByteArray &uv2);
    // Registers a buffer made elsewhere (taking ownership) and returns it.
    VertexBuffer *addBuffer(VertexBuffer *buffer, const QString &name);
    // Deletes the buffer and drops its entry; a buffer not registered is left alone.
    void removeBuffer(VertexBuffer *buffer);

    QList<Entry> entries;

private:
    Q_DISABLE_COPY(BufferManager)
};

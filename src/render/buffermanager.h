#pragma once

#include "core/singleton.h"

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

    // Uploads the vertices of a decoded record (decodeVisualGeometry) into a new vertex
    // buffer laid out by the record's vertex layout, registers it under name and
    // returns it. A record without a known vertex format gives a buffer without
    // vertices and without GL objects; without a context the buffer has no GL objects.
    VertexBuffer *loadVertices(const QString &name, const VisualGeometry &geometry);
    // Registers a buffer made elsewhere (taking ownership) and returns it.
    VertexBuffer *addBuffer(VertexBuffer *buffer, const QString &name);
    // Deletes the buffer and drops its entry; a buffer not registered is left alone.
    void removeBuffer(VertexBuffer *buffer);

    QList<Entry> entries;

private:
    Q_DISABLE_COPY(BufferManager)
};

#include "gamedata/visualgeometry.h"

#include "core/log.h"

VisualGeometry decodeVisualGeometry(const QString &name, const QByteArray *vertices,
                                    const QByteArray *uv2, const QByteArray *indices)
{
    VisualGeometry geometry;
    geometry.name = name;
    if (vertices) {
        const QByteArray &second = uv2 ? *uv2 : QByteArray();
        geometry.vertexLayout = inspectVertexSection(*vertices, second);
        if (geometry.vertexLayout.format == VertexFormat::Unknown) {
            logLine(QStringLiteral("Vertex format not supported:")
                        + geometry.vertexLayout.formatName,
                    Error);
        } else if (!decodeVertices(*vertices, second, geometry.vertexLayout, geometry)) {
            // Nothing was appended: the upload must not ask for vertices the record lacks.
            geometry.vertexLayout.vertexCount = 0;
        }
    }
    if (indices) {
        geometry.indexLayout = decodeIndexSection(*indices, &geometry);
    }
    return geometry;
}

#pragma once

#include <QtGlobal>

using GLenum = unsigned int;

// One shader input of an interleaved vertex.
// Types: 0 float, 1 vec2, 2 vec3, 3 vec4 (GL_FLOAT), 4 unsigned byte,
// 5 packed unsigned 10-10-10-2, 6 packed signed 10-10-10-2 (four components each).
struct VertexAttribute
{
    quint32 type = 0;
    quint32 location = 0; // shader attribute location
};

// Bytes the attribute takes in a vertex; 0 for an unknown type.
[[nodiscard]] quint32 vertexAttributeBytes(quint32 type);
// Components handed to glVertexAttribPointer; 0 for an unknown type.
[[nodiscard]] int vertexAttributeComponents(quint32 type);
// The GL component type; 0 for an unknown type.
[[nodiscard]] GLenum vertexAttributeGlType(quint32 type);

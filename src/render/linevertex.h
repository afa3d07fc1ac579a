#pragma once

#include <glm/glm.hpp>

// One vertex of the line and marker programs: attribute 0 the position, attribute
// 1 the colour (red, green, blue in 0..1).
struct LineVertex
{
    glm::vec3 position{0.0f};
    glm::vec3 colour{0.0f};
};

static_assert(sizeof(LineVertex) == 24, "LineVertex is uploaded as 24 packed bytes");

constexpr int lineVertexStride = 24;
constexpr int lineVertexColourOffset = 12;

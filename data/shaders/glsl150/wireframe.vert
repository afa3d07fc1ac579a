#version 150
// Polygon edges of the tank, drawn in line polygon mode.

in vec3 iVertPos;

uniform mat4 ModelViewProj;

void main()
{
    gl_Position = ModelViewProj * vec4(iVertPos, 1.0);
}

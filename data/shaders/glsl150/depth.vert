#version 150
// Shadow pass: position from the light only.

in vec3 iVertPos;

uniform mat4 ModelViewProj;

void main()
{
    gl_Position = ModelViewProj * vec4(iVertPos, 1.0);
}

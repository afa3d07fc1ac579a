#version 150
// Coloured lines and the hit marker.

in vec3 iVertPos;
in vec3 iColorPos;

uniform mat4 ModelViewProj;

out vec3 vColor;

void main()
{
    vColor = iColorPos;
    gl_Position = ModelViewProj * vec4(iVertPos, 1.0);
}

#version 150
// Unlit surfaces; the GRID variant draws coloured lines instead.

in vec3 iVertPos;
#ifdef GRID
in vec3 iGeneric0;
uniform mat4 mvp;
out vec3 vColor;
#else
in vec2 iTexCoord0;
in vec2 iTexCoord1;
uniform mat4 ModelViewProj;
out vec2 vTexCoord0;
out vec2 vTexCoord1;
#endif

void main()
{
#ifdef GRID
    vColor = iGeneric0;
    gl_Position = mvp * vec4(iVertPos, 1.0);
#else
    vTexCoord0 = iTexCoord0;
    vTexCoord1 = iTexCoord1;
    gl_Position = ModelViewProj * vec4(iVertPos, 1.0);
#endif
}

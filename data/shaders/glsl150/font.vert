#version 150
// Full-viewport quad for the text overlay.

in vec3 iVertPos;

out vec2 vTexCoord0;

void main()
{
    vTexCoord0 = iVertPos.xy * 0.5 + 0.5;
    gl_Position = vec4(iVertPos.xy, 0.0, 1.0);
}

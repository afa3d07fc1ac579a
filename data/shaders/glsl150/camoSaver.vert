#version 150
// Full-target quad for baking camouflage into a diffuse texture.

in vec3 iVertPos;
in vec2 iTexCoord0;

out vec2 vTexCoord0;

void main()
{
    vTexCoord0 = iTexCoord0;
    gl_Position = vec4(iVertPos, 1.0);
}

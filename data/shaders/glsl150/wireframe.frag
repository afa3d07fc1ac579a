#version 150
// The wireframe material's colour, always opaque so edges never fade out.

uniform vec4 diffuseColor;

out vec4 fragColor;

void main()
{
    fragColor = vec4(diffuseColor.rgb, 1.0);
}

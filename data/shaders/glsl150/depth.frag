#version 150
// Depth is written by the rasteriser; the shadow framebuffer has no colour.

out vec4 fragColor;

void main()
{
    fragColor = vec4(1.0);
}

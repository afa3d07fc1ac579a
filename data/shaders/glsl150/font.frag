#version 150
// The overlay image is straight alpha; the blend expects premultiplied colour.

in vec2 vTexCoord0;

uniform sampler2D diffuseMap0;

out vec4 fragColor;

void main()
{
    vec4 texel = texture(diffuseMap0, vTexCoord0);
    fragColor = vec4(texel.rgb * texel.a, texel.a);
}

#version 150
// Bakes the current camouflage into the diffuse texture with the same blend as
// the live view, keeping the texture's own alpha.

in vec2 vTexCoord0;

uniform sampler2D diffuseMap0;
uniform sampler2D exclusionMap;
uniform sampler2D camoMap;
uniform vec4 camoTiling;
uniform vec4 camoColor0;
uniform vec4 camoColor1;
uniform vec4 camoColor2;
uniform vec4 camoColor3;

out vec4 fragColor;

// Same blend as the camouflage swatches and the bake: move toward each colour
// by that colour's channel of the camouflage texel times the colour's alpha.
vec3 applyCamo(vec3 base, vec2 uv)
{
    vec4 camo = texture(camoMap, uv * camoTiling.xy + camoTiling.zw);
    vec3 col = base;
    col = mix(col, camoColor0.rgb, camo.r * camoColor0.a);
    col = mix(col, camoColor1.rgb, camo.g * camoColor1.a);
    col = mix(col, camoColor2.rgb, camo.b * camoColor2.a);
    col = mix(col, camoColor3.rgb, camo.a * camoColor3.a);
    // White in the exclusion mask takes camouflage, black keeps the base.
    float allowed = texture(exclusionMap, uv).r;
    return mix(base, col, allowed);
}

void main()
{
    vec4 diffuse = texture(diffuseMap0, vTexCoord0);
    fragColor = vec4(applyCamo(diffuse.rgb, vTexCoord0), diffuse.a);
}

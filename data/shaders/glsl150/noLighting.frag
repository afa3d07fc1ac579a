#version 150
// Unlit surfaces: texture, second layer, camouflage and alpha test; the GRID
// variant passes the line colour through.

#ifdef GRID
in vec3 vColor;
#else
in vec2 vTexCoord0;
in vec2 vTexCoord1;

uniform sampler2D diffuseMap0;
uniform sampler2D diffuseMap1;
uniform sampler2D exclusionMap;
uniform sampler2D camoMap;
uniform float alphaRef;

uniform bool camoEnabled;
uniform vec4 camoTiling;
uniform vec4 camoColor0;
uniform vec4 camoColor1;
uniform vec4 camoColor2;
uniform vec4 camoColor3;
#endif

out vec4 fragColor;

#ifndef GRID
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

#endif

void main()
{
#ifdef GRID
    fragColor = vec4(vColor, 1.0);
#else
    vec4 diffuse = texture(diffuseMap0, vTexCoord0);
#ifdef DUAL_TEXTURE
    vec4 layer = texture(diffuseMap1, vTexCoord1);
    diffuse.rgb = mix(diffuse.rgb, layer.rgb, layer.a);
#endif
#ifdef ALPHA_STATIC
    float cutoff = max(alphaRef, 0.004);
#else
    float cutoff = alphaRef;
#endif
    if (diffuse.a < cutoff) {
        discard;
    }
    if (camoEnabled) {
        diffuse.rgb = applyCamo(diffuse.rgb, vTexCoord0);
    }
    fragColor = diffuse;
#endif
}

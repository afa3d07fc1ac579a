#version 150
// Physically based shading: GGX microfacets with Smith visibility and Schlick
// Fresnel, metallic/gloss workflow, optional detail map, camouflage, shadows.

in vec2 vTexCoord0;
in vec2 vTexCoord1;
in vec3 vPosView;
in vec3 vNormalView;
in vec3 vTangentView;
in vec3 vBinormalView;
in vec3 vLightPosView;
in vec4 vShadowCoord;

uniform sampler2D diffuseMap0;
uniform sampler2D diffuseMap1;
uniform sampler2D normalMap;
uniform sampler2D glossMap;
uniform sampler2D detailMap;
uniform sampler2D shadowMap;
uniform sampler2D exclusionMap;
uniform sampler2D camoMap;

uniform float alphaRef;
uniform vec3 lightDiffuse;
uniform vec3 lightAmbient;
uniform bool dxt1NormalMap;

uniform bool detailMetallic;
uniform vec4 detailTile;
uniform float detailPower;

uniform bool camoEnabled;
uniform vec4 camoTiling;
uniform vec4 camoColor0;
uniform vec4 camoColor1;
uniform vec4 camoColor2;
uniform vec4 camoColor3;

uniform bool shadowEnabled;
uniform float shadowSamples;
uniform float shadowDivide;

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

// Two-channel normal maps keep x and y only; z is rebuilt. The DXT1 packing
// stores them in red and green, the other packing in alpha and green.
vec3 unpackNormal(vec4 texel)
{
    vec2 xy = dxt1NormalMap ? texel.rg : texel.ag;
    xy = xy * 2.0 - 1.0;
    float z = sqrt(max(0.0, 1.0 - dot(xy, xy)));
    return vec3(xy, z);
}

const vec2 poissonDisk[16] = vec2[](
    vec2(-0.94201624, -0.39906216), vec2(0.94558609, -0.76890725),
    vec2(-0.09418410, -0.92938870), vec2(0.34495938, 0.29387760),
    vec2(-0.91588581, 0.45771432), vec2(-0.81544232, -0.87912464),
    vec2(-0.38277543, 0.27676845), vec2(0.97484398, 0.75648379),
    vec2(0.44323325, -0.97511554), vec2(0.53742981, -0.47373420),
    vec2(-0.26496911, -0.41893023), vec2(0.79197514, 0.19090188),
    vec2(-0.24188840, 0.99706507), vec2(-0.81409955, 0.91437590),
    vec2(0.19984126, 0.78641367), vec2(0.14383161, -0.14100790));

// Fraction of light reaching the fragment. The depth texture has no compare
// mode, so each tap compares by hand; a per-pixel rotation of the disk turns
// banding into fine noise.
float shadowFactor(float cosTheta)
{
    vec3 coord = vShadowCoord.xyz / vShadowCoord.w;
    if (coord.x < 0.0 || coord.x > 1.0 || coord.y < 0.0 || coord.y > 1.0 || coord.z > 1.0) {
        return 1.0;
    }
    float bias = clamp(0.0015 * tan(acos(clamp(cosTheta, 0.0, 1.0))), 0.0005, 0.01);
    float spread = 1.0 / max(shadowDivide, 1.0);
    int samples = clamp(int(shadowSamples), 1, 16);
    float angle = 6.2831853 * fract(sin(dot(gl_FragCoord.xy, vec2(12.9898, 78.233))) * 43758.5453);
    mat2 rot = mat2(cos(angle), sin(angle), -sin(angle), cos(angle));
    float lit = 0.0;
    for (int i = 0; i < samples; ++i) {
        float depth = texture(shadowMap, coord.xy + rot * poissonDisk[i] * spread).r;
        lit += (coord.z - bias <= depth) ? 1.0 : 0.0;
    }
    return lit / float(samples);
}

const float PI = 3.14159265;

float distributionGgx(float nDotH, float alpha)
{
    float a2 = alpha * alpha;
    float d = nDotH * nDotH * (a2 - 1.0) + 1.0;
    return a2 / max(PI * d * d, 1e-6);
}

float visibilitySmith(float nDotV, float nDotL, float alpha)
{
    float k = alpha * 0.5;
    float gv = nDotV / (nDotV * (1.0 - k) + k);
    float gl = nDotL / (nDotL * (1.0 - k) + k);
    return gv * gl;
}

void main()
{
    vec4 albedo = texture(diffuseMap0, vTexCoord0);
#ifdef DUAL_TEXTURE
    vec4 layer = texture(diffuseMap1, vTexCoord1);
    albedo.rgb = mix(albedo.rgb, layer.rgb, layer.a);
#endif
    if (albedo.a < alphaRef) {
        discard;
    }
    if (camoEnabled) {
        albedo.rgb = applyCamo(albedo.rgb, vTexCoord0);
    }

    // Red holds metalness, green glossiness.
    vec4 mg = texture(glossMap, vTexCoord0);
    float metallic = mg.r;
    float gloss = mg.g;
    if (detailMetallic) {
        vec2 detailUv = vTexCoord0 * detailTile.xy + detailTile.zw;
        float detail = texture(detailMap, detailUv).g;
        // A mid-grey detail texel leaves the gloss unchanged.
        gloss = clamp(gloss + (detail - 0.5) * detailPower, 0.0, 1.0);
    }
    float roughness = max(1.0 - gloss, 0.04);
    float alpha = roughness * roughness;

    mat3 tbn = mat3(normalize(vTangentView), normalize(vBinormalView), normalize(vNormalView));
    vec3 n = normalize(tbn * unpackNormal(texture(normalMap, vTexCoord0)));
    if (!gl_FrontFacing) {
        n = -n;
    }
    vec3 l = normalize(vLightPosView - vPosView);
    vec3 v = normalize(-vPosView);
    vec3 h = normalize(l + v);
    float nDotL = max(dot(n, l), 0.0);
    float nDotV = max(dot(n, v), 1e-4);
    float nDotH = max(dot(n, h), 0.0);
    float vDotH = max(dot(v, h), 0.0);

    vec3 f0 = mix(vec3(0.04), albedo.rgb, metallic);
    vec3 fresnel = f0 + (1.0 - f0) * pow(1.0 - vDotH, 5.0);
    vec3 specular = fresnel * distributionGgx(nDotH, alpha)
                    * visibilitySmith(nDotV, nDotL, alpha) / max(4.0 * nDotV * nDotL, 1e-4);
    vec3 diffuse = (1.0 - fresnel) * (1.0 - metallic) * albedo.rgb / PI;

    float shadow = shadowEnabled ? shadowFactor(nDotL) : 1.0;
    // The light has no physical intensity; PI keeps the diffuse term as bright
    // as the classic lighting path.
    vec3 direct = (diffuse + specular) * lightDiffuse * nDotL * PI;
    vec3 ambient = lightAmbient * albedo.rgb * mix(1.0, 0.5, metallic);
    fragColor = vec4(ambient + shadow * direct, albedo.a);
}

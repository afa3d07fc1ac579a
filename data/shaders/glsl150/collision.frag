#version 150
// The armour colour comes in diffuseColor; the lit variant adds diffuse shading
// so plate angles stay readable.

in vec3 vPosView;
in vec3 vNormalView;
in vec3 vLightPosView;

uniform vec4 diffuseColor;
#ifdef LIGHTING_BASIC
uniform vec3 lightDiffuse;
uniform vec3 lightAmbient;
#endif

out vec4 fragColor;

void main()
{
#ifdef LIGHTING_BASIC
    vec3 n = normalize(vNormalView);
    if (!gl_FrontFacing) {
        n = -n;
    }
    vec3 l = normalize(vLightPosView - vPosView);
    float nDotL = max(dot(n, l), 0.0);
    vec3 color = diffuseColor.rgb * (lightAmbient + lightDiffuse * nDotL);
    fragColor = vec4(color, diffuseColor.a);
#else
    fragColor = diffuseColor;
#endif
}

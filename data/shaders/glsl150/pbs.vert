#version 150
// Metallic/gloss surfaces; always normal mapped.

in vec3 iVertPos;
in vec2 iTexCoord0;
in vec2 iTexCoord1;
in vec3 iNormal;
in vec3 iBinormal;
in vec3 iTangent;

uniform mat4 ModelViewProj;
uniform mat4 ModelView;
uniform mat3 ModelView3;
uniform mat4 View;
uniform mat4 DepthBias;
uniform vec3 lightPos;

out vec2 vTexCoord0;
out vec2 vTexCoord1;
out vec3 vPosView;
out vec3 vNormalView;
out vec3 vTangentView;
out vec3 vBinormalView;
out vec3 vLightPosView;
out vec4 vShadowCoord;

void main()
{
    vec4 pos = vec4(iVertPos, 1.0);
    vTexCoord0 = iTexCoord0;
    vTexCoord1 = iTexCoord1;
    vPosView = (ModelView * pos).xyz;
    vNormalView = ModelView3 * iNormal;
    vTangentView = ModelView3 * iTangent;
    vBinormalView = ModelView3 * iBinormal;
    vLightPosView = (View * vec4(lightPos, 1.0)).xyz;
    vShadowCoord = DepthBias * pos;
    gl_Position = ModelViewProj * pos;
}

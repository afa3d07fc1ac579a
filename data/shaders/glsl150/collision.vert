#version 150
// Armour model coloured by thickness.

in vec3 iVertPos;
in vec3 iNormal;

uniform mat4 ModelViewProj;
uniform mat4 ModelView;
uniform mat3 ModelView3;
uniform mat4 View;
uniform vec3 lightPos;

out vec3 vPosView;
out vec3 vNormalView;
out vec3 vLightPosView;

void main()
{
    vec4 pos = vec4(iVertPos, 1.0);
    vPosView = (ModelView * pos).xyz;
    vNormalView = ModelView3 * iNormal;
    vLightPosView = (View * vec4(lightPos, 1.0)).xyz;
    gl_Position = ModelViewProj * pos;
}

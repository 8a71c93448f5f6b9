//--------------------------------------------------------------------------------------
// Common.fxh
// Transforms, lights and helpers shared by the scene effects.
//--------------------------------------------------------------------------------------
#ifndef COMMON_FXH
#define COMMON_FXH

#define MAX_LIGHTS 3
#define SATURATE_DOT(a, b) saturate(dot((a), (b)))

shared float4x4 g_mWorld : WORLD;
shared float4x4 g_mView : VIEW;
shared float4x4 g_mProjection : PROJECTION;
shared float4x4 g_mWorldViewProjection : WORLDVIEWPROJECTION;
shared float g_fTime : TIME;

float3 g_LightDir[MAX_LIGHTS] : DIRECTION < string UIName = "Light directions"; > =
{
    {0.577f, -0.577f, 0.577f},
    {-0.707f, 0.0f, 0.707f},
    {0.0f, -1.0f, 0.0f}
};
float4 g_LightDiffuse[MAX_LIGHTS] : DIFFUSE = { {1, 1, 1, 1}, {0.4, 0.4, 0.6, 1}, {0.2, 0.2, 0.2, 1} };
float4 g_LightAmbient : AMBIENT = {0.15f, 0.15f, 0.15f, 1.0f};

float3 LambertLights(float3 vNormalWorld, int nNumLights)
{
    float3 vTotal = g_LightAmbient.rgb;
    for (int i = 0; i < nNumLights; i++)
        vTotal += g_LightDiffuse[i].rgb * SATURATE_DOT(vNormalWorld, -g_LightDir[i]);
    return vTotal;
}

#endif // COMMON_FXH

// expect: draws
// Pass states computed by small functions of uniforms, as shader packs write them (the
// compiler runs these on the CPU when the pass begins), intrinsics and the comma operator in
// initial values, and one element of a light array followed in angle brackets.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 World : WORLD;
float Time : TIME;

float3 g_LightDir = normalize(float3(1, 1, -1));
float2 screenSize = (1, 1);
float g_fSpotAngle = radians(30.0f);
float g_fHalfTurn = degrees(3.14159265f);
float3 g_vUp = cross(float3(0, 0, 1), float3(1, 0, 0));
float g_fRim = smoothstep(0.0f, 1.0f, 0.25f) + lerp(0.1f, 0.3f, 0.5f);
float4 g_vLightPos[2] = { 0, 2, -2, 1,  2, 2, -2, 1 };
float4 g_vLightColor = { 1.0f, 0.9f, 0.7f, 1.0f };
bool g_bDepth = true;

bool ChooseZEnable()
{
    return g_bDepth;
}

int ChooseCull()
{
    int mode = 1; // NONE: the sphere is seen from both sides while it fades in
    if (Time > 10)
        mode = 3;
    return mode;
}

float4x4 getTextureTransform()
{
    float s = sin(Time), c = cos(Time);
    float4x4 m = float4x4(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    m._41 = 0.5f;
    return m;
}

float4 TintFor(float t)
{
    float4 tint = float4(saturate(t), 0.5f, 1 - saturate(t), 1);
    tint.a *= g_bDepth ? 1.0f : 0.5f;
    return tint;
}

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float3 Normal : TEXCOORD0;
};

VS_OUTPUT VS(float4 vPos : POSITION, float3 vNormal : NORMAL)
{
    VS_OUTPUT o;
    o.Position = mul(vPos, WorldViewProj);
    o.Normal = mul(vNormal, (float3x3)World);
    return o;
}

float4 PS(float3 vNormal : TEXCOORD0) : COLOR
{
    float fLight = saturate(dot(normalize(vNormal), g_LightDir)) + g_fRim;
    return float4(fLight * screenSize.x, fLight * g_fSpotAngle, g_fHalfTurn / 360.0f, 1);
}

technique Preshaders
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        ZEnable = ChooseZEnable();
        CullMode = ChooseCull();
        TextureTransform[0] = getTextureTransform();
        TextureFactor = TintFor(Time * 2);
    }
}

// The fixed-function stage lit by the first light of the array.
technique FixedFunctionLight
{
    pass P0
    {
        VertexShader = NULL;
        PixelShader = NULL;
        Lighting = true;
        LightEnable[0] = true;
        LightType[0] = POINT;
        LightPosition[0] = <g_vLightPos[0]>;
        LightDiffuse[0] = <g_vLightColor>;
        LightRange[0] = 100.0f;
        LightAttenuation0[0] = 1.0f;
        MaterialDiffuse = float4(1, 1, 1, 1);
        CullMode = ChooseCull();
    }
}

// expect: draws
// Shader code that the Direct3D 9 compiler takes and stricter ones do not: arrays of vectors
// initialised from flat lists of scalars (spread over the elements in order), and a vector
// constructor on the left of an assignment (each variable takes its components).
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
texture DiffuseMap;
sampler DiffuseSampler = sampler_state
{
    Texture = <DiffuseMap>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

static const float2 g_Taps[4] = { -1, -1,  1, -1,
                                  -1,  1,  1,  1 };
static const float3 g_Palette[] = { 0.9, 0.4, 0.1,  0.1, 0.5, 0.9 };

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float2 UV : TEXCOORD0;
    float3 Normal : TEXCOORD1;
};

VS_OUTPUT VS(float4 vPos : POSITION, float3 vNormal : NORMAL, float2 vUV : TEXCOORD0)
{
    VS_OUTPUT o;
    o.Position = mul(vPos, WorldViewProj);
    o.UV = vUV;
    o.Normal = vNormal;
    return o;
}

float4 PS(float2 uv : TEXCOORD0, float3 n : TEXCOORD1) : COLOR
{
    static const float4 weights[2] = { 0.25, 0.25, 0.25, 0.25,
                                       0.6, 0.3, 0.1, 1.0 };
    float2 dxSize;
    float dx, dy;
    float4(dxSize, dx, dy) = ddx(float4(uv * 64, uv.x, uv.y));
    float4 sum = 0;
    for (int i = 0; i < 4; i++)
        sum += tex2D(DiffuseSampler, uv + g_Taps[i] * 0.002) * weights[0].x;
    float3 tint = lerp(g_Palette[0], g_Palette[1], saturate(n.y * 0.5 + 0.5));
    float fDetail = saturate(abs(dxSize.x) + abs(dx) * 0 + abs(dy) * 0);
    return float4(sum.rgb * tint * weights[1].x + tint * 0.4 * (1 - fDetail * 0.1), 1);
}

technique Flat
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}

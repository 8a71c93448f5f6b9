// expect: draws
// Two effects' worth of headers, one of them included twice (guarded), and a system include.
#include "include/Common.fxh"
#include <include/PostProcess.fxh>
#include "include/Common.fxh"

float4 g_vTint = {1, 0.9, 0.8, 1};

struct VS_OUT { float4 Pos : POSITION; float3 Normal : TEXCOORD0; float2 Uv : TEXCOORD1; };

VS_OUT VS(float4 Pos : POSITION, float3 Normal : NORMAL, float2 Uv : TEXCOORD0)
{
    VS_OUT o;
    o.Pos = mul(Pos, g_mWorldViewProjection);
    o.Normal = mul(Normal, (float3x3)g_mWorld);
    o.Uv = Uv;
    return o;
}

float4 PS(VS_OUT i) : COLOR
{
    float3 light = LambertLights(normalize(i.Normal), MAX_LIGHTS);
    float grey = dot(tex2D(g_samSrcColor, i.Uv).rgb, LUMINANCE_VECTOR);
    return float4(light * g_vTint.rgb * (0.5 + 0.5 * grey), 1);
}

technique Lit { pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }

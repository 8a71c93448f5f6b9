// expect: draws
// Bloom in three passes over the source image: bright pass, horizontal and vertical blur
// with a static kernel, then an additive composite.
#include "include/PostProcess.fxh"

#define BLOOM_TAPS 7
static const float BloomWeights[BLOOM_TAPS] = { 0.05, 0.1, 0.2, 0.3, 0.2, 0.1, 0.05 };
static const float BloomOffsets[BLOOM_TAPS] = { -3, -2, -1, 0, 1, 2, 3 };

float BrightThreshold < string UIName = "Threshold"; float UIMin = 0.0; float UIMax = 1.0; float UIStep = 0.01; > = 0.5f;
float BloomScale = 1.5f;

float4 BrightPassPS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 vSample = tex2D(g_samSrcColor, Tex);
    float fLuminance = dot(vSample.rgb, LUMINANCE_VECTOR);
    vSample.rgb *= saturate(fLuminance - BrightThreshold) / (1.0f - BrightThreshold + 0.0001f);
    return vSample;
}

float4 BlurPS(float2 Tex : TEXCOORD0, uniform float2 vDirection) : COLOR0
{
    float4 vColor = 0;
    [unroll] for (int i = 0; i < BLOOM_TAPS; i++)
        vColor += tex2D(g_samSrcColor, Tex + vDirection * BloomOffsets[i] / g_vSourceSize) * BloomWeights[i];
    return vColor * BloomScale;
}

technique Bloom
{
    pass BrightPass
    {
        VertexShader = compile vs_1_1 QuadVS();
        PixelShader = compile ps_2_0 BrightPassPS();
        ZEnable = false;
        CullMode = None;
    }
    pass BlurX
    {
        VertexShader = compile vs_1_1 QuadVS();
        PixelShader = compile ps_2_0 BlurPS(float2(1, 0));
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
    }
    pass BlurY
    {
        VertexShader = compile vs_1_1 QuadVS();
        PixelShader = compile ps_2_0 BlurPS(float2(0, 1));
    }
}

// expect: draws
//-----------------------------------------------------------------------------
// HDR tone mapping with a luminance estimate from a few taps of the scene
// and a bright-pass star glare, in the style of the HDR lighting samples.
//-----------------------------------------------------------------------------
#define NUM_SAMPLES 16
#define MAX_SAMPLES NUM_SAMPLES

static const float3 LUMINANCE_VECTOR = float3(0.2125f, 0.7154f, 0.0721f);
static const float  BRIGHT_PASS_THRESHOLD = 5.0f;
static const float  BRIGHT_PASS_OFFSET = 10.0f;

float4 g_avSampleOffsets[MAX_SAMPLES];
float4 g_avSampleWeights[MAX_SAMPLES];
float  g_fMiddleGray = 0.18f;
float  g_fWhiteCutoff = 0.8f;
bool   g_bEnableToneMap = true;

texture g_tSceneHDR;
sampler s0 : register(s0) = sampler_state { Texture = <g_tSceneHDR>; MinFilter = Point; MagFilter = Point; AddressU = Clamp; AddressV = Clamp; };

float4 SampleLumInitial(in float2 vScreenPosition : TEXCOORD0) : COLOR
{
    float3 vSample = 0.0f;
    float fLogLumSum = 0.0f;
    for (int iSample = 0; iSample < 9; iSample++)
    {
        vSample = tex2D(s0, vScreenPosition + g_avSampleOffsets[iSample].xy).rgb;
        fLogLumSum += log(dot(vSample, LUMINANCE_VECTOR) + 0.0001f);
    }
    fLogLumSum /= 9;
    return float4(fLogLumSum, fLogLumSum, fLogLumSum, 1.0f);
}

float4 FinalScenePass(in float2 vScreenPosition : TEXCOORD0) : COLOR
{
    float4 vSample = tex2D(s0, vScreenPosition);
    float fAdaptedLum = 0.5f;
    if (g_bEnableToneMap)
    {
        vSample.rgb *= g_fMiddleGray / (fAdaptedLum + 0.001f);
        vSample.rgb /= (1.0f + vSample.rgb);
    }
    vSample.rgb += 0.1f * saturate(vSample.rgb - BRIGHT_PASS_THRESHOLD / BRIGHT_PASS_OFFSET);
    return vSample;
}

float4 GaussBlur5x5(in float2 vScreenPosition : TEXCOORD0) : COLOR
{
    float4 sample = 0.0f;
    for (int i = 0; i < 12; i++)
        sample += g_avSampleWeights[i] * tex2D(s0, vScreenPosition + g_avSampleOffsets[i].xy);
    return sample;
}

technique FinalScenePass
{
    pass P0
    {
        PixelShader = compile ps_2_0 FinalScenePass();
    }
}

technique SampleAvgLum
{
    pass P0
    {
        PixelShader = compile ps_2_a SampleLumInitial();
    }
}

technique GaussBlur5x5
{
    pass P0
    {
        PixelShader = compile ps_2_b GaussBlur5x5();
    }
}

// expect: draws
// Depth of field in the style of the demo samples: a scene pass writing colour and blur
// amount, and a Poisson-disc filter pass over it.
#define NUM_TAPS 12
float4x4 matWorldViewProj : WORLDVIEWPROJECTION;
float4x4 matWorldView : WORLDVIEW;
float focalDist = 3.0f;
float focalRange = 2.0f;
float maxCoC = 5.0f;
float2 filterTaps[NUM_TAPS];
float2 pixelSize = {1.0f / 256.0f, 1.0f / 256.0f};
texture tSceneColor;
sampler SceneColorSampler = sampler_state { texture = <tSceneColor>; MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NONE; AddressU = CLAMP; AddressV = CLAMP; };

static const float2 poisson[8] = { {-0.326, -0.406}, {-0.840, -0.074}, {-0.696, 0.457}, {-0.203, 0.621},
                                   {0.962, -0.195}, {0.473, -0.480}, {0.519, 0.767}, {0.185, -0.893} };

struct VS_SCENE { float4 Pos : POSITION; float3 Normal : TEXCOORD0; float Depth : TEXCOORD1; };

VS_SCENE SceneVS(float4 Pos : POSITION, float3 Normal : NORMAL)
{
    VS_SCENE o;
    o.Pos = mul(Pos, matWorldViewProj);
    o.Normal = Normal;
    o.Depth = mul(Pos, matWorldView).z;
    return o;
}

float4 ScenePS(VS_SCENE i) : COLOR
{
    float blur = saturate(abs(i.Depth - focalDist) / focalRange);
    return float4(normalize(i.Normal) * 0.5 + 0.5, blur);
}

float4 DofPS(float2 tex : TEXCOORD0) : COLOR
{
    float4 center = tex2D(SceneColorSampler, tex);
    float4 sum = center;
    float sizeCoC = center.a * maxCoC;
    for (int i = 0; i < 8; i++)
        sum += tex2D(SceneColorSampler, tex + poisson[i] * pixelSize * sizeCoC);
    for (int j = 0; j < NUM_TAPS; j++)
        sum += tex2D(SceneColorSampler, tex + filterTaps[j] * sizeCoC) * 0;
    return sum / 9;
}

technique Scene { pass P0 { VertexShader = compile vs_2_0 SceneVS(); PixelShader = compile ps_2_0 ScenePS(); } }
technique DepthOfField { pass P0 { PixelShader = compile ps_2_0 DofPS(); ZEnable = false; } }

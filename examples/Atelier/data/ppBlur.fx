// Soft blur for the generic post-process layer: a material names this effect and, as its
// texture 0, the picture to blur. Each pixel is the weighted mean of its 3 x 3
// neighbourhood (1-2-1 weights). The neighbourhood is written in pixels (PixelOffsets);
// the layer turns it into texel offsets of texture 0 (TexelOffsets) before drawing.
// Those land on texel centres, so the reads take the nearest texel unfiltered: the same
// values as filtered reads, for much less work on a software rasteriser.
// Strength mixes between the sharp picture (0) and the blur (1).

float4x4 World;
float4x4 ViewProjection;
float Strength = 1.0;

float2 PixelOffsets[9] = {
    -1, -1, 0, -1, 1, -1,
    -1, 0, 0, 0, 1, 0,
    -1, 1, 0, 1, 1, 1
};
float2 TexelOffsets[9] < string ConvertPixelsToTexels = "PixelOffsets"; >;

static const float Weights[9] = {
    0.0625, 0.125, 0.0625,
    0.125, 0.25, 0.125,
    0.0625, 0.125, 0.0625
};

texture Tex;

sampler2D TexSampler = sampler_state
{
    Texture = <Tex>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
};

VS_OUTPUT VS(float3 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Pos = mul(mul(float4(Pos, 1.0), World), ViewProjection);
    Out.Tex = Tex;
    return Out;
}

float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Sum = 0;
    float4 Sharp = 0;
    for (int i = 0; i < 9; i++)
    {
        float4 Texel = tex2D(TexSampler, Tex + TexelOffsets[i]);
        Sum += Texel * Weights[i];
        if (i == 4)
            Sharp = Texel;
    }
    return lerp(Sharp, Sum, Strength);
}

technique Blur
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

// Bloom: bright parts of the picture glow. The bloom layer runs four techniques:
//   PostProcessDown    shrinks the input (Tex) into a small target, keeping only what is
//                      brighter than BrightThreshold;
//   PostProcessVBlur   blurs that small image vertically (Tex = the shrunk image);
//   PostProcessHBlur   then horizontally (Tex = the vertical blur);
//   PostProcessCombine adds the blurred glow (Tex) times BloomScale to the full-size
//                      input (Tex1).
// The kernels are written in pixels of the texture each step reads; the layer turns them
// into texel offsets (the annotated arrays) before every step.

float BrightThreshold = 0.6;
float BloomScale = 1.2;

// 16 taps spread over the block of input pixels that one small pixel covers.
float2 DownPixels[16] = {
    -6, -6, -2, -6, 2, -6, 6, -6,
    -6, -2, -2, -2, 2, -2, 6, -2,
    -6, 2, -2, 2, 2, 2, 6, 2,
    -6, 6, -2, 6, 2, 6, 6, 6
};
float2 DownTexels[16] < string ConvertPixelsToTexels = "DownPixels"; >;

// 13-tap Gaussian (sigma 3 pixels) down one column, then along one row.
float2 VBlurPixels[13] = {
    0, -6, 0, -5, 0, -4, 0, -3, 0, -2, 0, -1, 0, 0,
    0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6
};
float2 VBlurTexels[13] < string ConvertPixelsToTexels = "VBlurPixels"; >;

float2 HBlurPixels[13] = {
    -6, 0, -5, 0, -4, 0, -3, 0, -2, 0, -1, 0, 0, 0,
    1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0
};
float2 HBlurTexels[13] < string ConvertPixelsToTexels = "HBlurPixels"; >;

static const float BlurWeights[13] = {
    0.0022, 0.0088, 0.0271, 0.0651, 0.1216, 0.1770, 0.2006,
    0.1770, 0.1216, 0.0651, 0.0271, 0.0088, 0.0022
};

texture Tex;
texture Tex1;

sampler2D TexSampler = sampler_state
{
    Texture = <Tex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler2D Tex1Sampler = sampler_state
{
    Texture = <Tex1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
};

VS_OUTPUT VS(float4 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Pos = Pos;
    Out.Tex = Tex;
    return Out;
}

float4 DownPS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Sum = 0;
    for (int i = 0; i < 16; i++)
        Sum += tex2D(TexSampler, Tex + DownTexels[i]);
    float4 Average = Sum / 16;
    float3 Bright = max(Average.rgb - BrightThreshold, 0) / (1.0 - BrightThreshold);
    return float4(Bright, 1);
}

float4 VBlurPS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Sum = 0;
    for (int i = 0; i < 13; i++)
        Sum += tex2D(TexSampler, Tex + VBlurTexels[i]) * BlurWeights[i];
    return Sum;
}

float4 HBlurPS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Sum = 0;
    for (int i = 0; i < 13; i++)
        Sum += tex2D(TexSampler, Tex + HBlurTexels[i]) * BlurWeights[i];
    return Sum;
}

float4 CombinePS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Picture = tex2D(Tex1Sampler, Tex);
    float3 Glow = tex2D(TexSampler, Tex).rgb * BloomScale;
    return float4(saturate(Picture.rgb + Glow), Picture.a);
}

technique PostProcessDown
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 DownPS();
    }
}

technique PostProcessVBlur
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 VBlurPS();
    }
}

technique PostProcessHBlur
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 HBlurPS();
    }
}

technique PostProcessCombine
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 CombinePS();
    }
}

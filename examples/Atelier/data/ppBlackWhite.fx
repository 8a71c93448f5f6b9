// Black and white: every pixel of the input becomes its luminance (Rec. 601 weights).
// Drawn by the black-and-white post-process layer over a full-screen rectangle whose
// positions are already in clip space.

texture Tex;

sampler2D TexSampler = sampler_state
{
    Texture = <Tex>;
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

float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    float4 Color = tex2D(TexSampler, Tex);
    float Luminance = dot(Color.rgb, float3(0.299, 0.587, 0.114));
    return float4(Luminance, Luminance, Luminance, Color.a);
}

technique PostProcess
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

// Fish-eye: the middle of the picture swells and its borders squeeze, as through a wide
// convex lens. Power 0 leaves the picture as it is; at 1 a point at distance r from the
// centre (1 at the middle of each edge) shows what lay at distance r * r.

float Power = 0.0;

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
    float2 FromCentre = Tex - 0.5;
    float Radius = max(length(FromCentre) * 2.0, 0.0001);
    float Scale = pow(Radius, saturate(Power));
    return tex2D(TexSampler, 0.5 + FromCentre * Scale);
}

technique PostProcess
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

// Radial blur: every pixel averages the input along the line through Center (0 to 1
// coordinates of the picture, 0,0 at the top left), from its own place to BlurWidth of
// the way toward the centre (negative) or away from it (positive). BlurWidth 0 is the
// input unchanged.
//
// The sixteen reads take the nearest texel, unfiltered: their mean is the same picture
// (within noise) as that of sixteen filtered reads, at about a quarter of the cost on a
// software rasteriser, where each filtered read is four reads and three blends.

float2 Center = {0.5, 0.5};
float BlurWidth = -0.14;

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

VS_OUTPUT VS(float4 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Pos = Pos;
    Out.Tex = Tex;
    return Out;
}

static const int Samples = 16;

float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    float2 FromCentre = Tex - Center;
    float4 Sum = 0;
    for (int i = 0; i < Samples; i++)
    {
        float Scale = 1.0 + BlurWidth * (i / (float)(Samples - 1));
        Sum += tex2D(TexSampler, Center + FromCentre * Scale);
    }
    return Sum / Samples;
}

technique PostProcess
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

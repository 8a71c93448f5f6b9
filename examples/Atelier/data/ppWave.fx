// Wave: the picture ripples like a flag. Rows slide sideways and columns up and down by
// sine waves of amplitude Power (a fraction of the picture), Freq periods across the
// picture, phase Offset (in periods) measured from Center, drifting with Timer (one
// period per unit).

float Timer = 0.0;
float Power = 0.0;
float Freq = 1.0;
float Offset = 0.0;
float2 Center = {0.0, 0.0};

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

static const float TwoPi = 6.2831853;

float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    float2 Phase = (Tex - Center).yx * Freq + Offset + Timer;
    float2 Shift = Power * sin(Phase * TwoPi);
    return tex2D(TexSampler, Tex + Shift);
}

technique PostProcess
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

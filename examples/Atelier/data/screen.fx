// The last touch of every frame: a screen-like finish over the finished picture, used by
// a generic post-process layer. Slight colour fringes towards the edges, fine scan lines
// and a soft vignette. The layer sets Tex to its material's first texture and du, dv to
// the size of one texel; World, View and Projection are identities here.

float4x4 World;
float4x4 ViewProjection;
float Time;
float du = 1.0 / 1280.0;
float dv = 1.0 / 720.0;

texture Tex;

sampler2D ScreenSampler = sampler_state
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
    Out.Pos = mul(mul(Pos, World), ViewProjection);
    Out.Tex = Tex;
    return Out;
}

float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    float2 FromCentre = Tex - 0.5;
    float2 Fringe = FromCentre * float2(du, dv) * 8.0;
    float Red = tex2D(ScreenSampler, Tex + Fringe).r;
    float Green = tex2D(ScreenSampler, Tex).g;
    float Blue = tex2D(ScreenSampler, Tex - Fringe).b;
    float Scan = 0.9 + 0.1 * sin(Tex.y / dv * 3.14159265);
    float Vignette = saturate(1.0 - dot(FromCentre, FromCentre) * 1.1);
    float Flicker = 0.98 + 0.02 * sin(Time * 50.0);
    return float4(float3(Red, Green, Blue) * Scan * Vignette * Flicker, 1.0);
}

technique Screen
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

// Lit, textured meshes with a pulsing rim light: the material's first texture, a
// directional light from the upper left, and an edge glow that breathes with the time.
// The engine sets World, View, Projection, ViewProjection and Time before each object.

float4x4 World;
float4x4 View;
float4x4 Projection;
float4x4 ViewProjection;
float Time;

sampler2D BaseSampler : register(s0);

struct VS_INPUT
{
    float4 Pos : POSITION;
    float3 Normal : NORMAL;
    float2 Tex : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 Normal : TEXCOORD1;
    float3 ViewDir : TEXCOORD2;
};

VS_OUTPUT VS(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 WorldPos = mul(In.Pos, World);
    Out.Pos = mul(WorldPos, ViewProjection);
    Out.Tex = In.Tex;
    Out.Normal = mul(In.Normal, (float3x3)World);
    // The camera sits at the origin of view space; its world position is not needed
    // for a glow that only depends on how much a face turns away.
    float4 ViewPos = mul(WorldPos, View);
    Out.ViewDir = mul(-ViewPos.xyz, transpose((float3x3)View));
    return Out;
}

float4 PS(VS_OUTPUT In) : COLOR0
{
    float3 N = normalize(In.Normal);
    float3 V = normalize(In.ViewDir);
    float3 L = normalize(float3(-0.5, 0.7, -0.6));
    float Diffuse = saturate(dot(N, L)) * 0.8 + 0.25;
    float Rim = pow(1.0 - saturate(dot(N, V)), 3.0);
    float Pulse = 0.6 + 0.4 * sin(Time * 6.2831853);
    float4 Base = tex2D(BaseSampler, In.Tex);
    float3 Colour = Base.rgb * Diffuse + Rim * Pulse * float3(1.0, 0.35, 0.9);
    return float4(Colour, 1.0);
}

technique Lit
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

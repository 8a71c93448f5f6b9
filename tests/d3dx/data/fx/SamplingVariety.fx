// expect: draws
// The texture lookups of shader model 3 with the sampler states that go with them: biased,
// explicit-gradient and level lookups, a border colour from a float4, a cube map through a
// plain sampler typed by its use.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float LodBias = 1.0;
float4 Border = {1, 0, 1, 1};
texture Diffuse;
texture Environment < string ResourceType = "Cube"; >;

sampler DiffuseSampler = sampler_state
{
    Texture = <Diffuse>;
    MinFilter = Anisotropic;
    MagFilter = Linear;
    MipFilter = Linear;
    MaxAnisotropy = 4;
    MaxMipLevel = 0;
    AddressU = Border;
    AddressV = Clamp;
    BorderColor = <Border>;
    SRGBTexture = false;
};
sampler EnvSampler = sampler_state { Texture = <Environment>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };

struct VS_OUT { float4 Pos : POSITION; float4 Uv : TEXCOORD0; float3 Dir : TEXCOORD1; };

VS_OUT VS(float4 Pos : POSITION, float3 Normal : NORMAL, float2 Uv : TEXCOORD0)
{
    VS_OUT o;
    o.Pos = mul(Pos, WorldViewProj);
    o.Uv = float4(Uv * 1.5 - 0.25, 0, LodBias);
    o.Dir = Normal;
    return o;
}

float4 PS(VS_OUT i) : COLOR
{
    float4 biased = tex2Dbias(DiffuseSampler, i.Uv);
    float4 graded = tex2Dgrad(DiffuseSampler, i.Uv.xy, ddx(i.Uv.xy), ddy(i.Uv.xy));
    float4 level = tex2Dlod(DiffuseSampler, float4(i.Uv.xy, 0, 2));
    float4 env = texCUBElod(EnvSampler, float4(i.Dir, 0)) + texCUBEbias(EnvSampler, float4(i.Dir, 1));
    return (biased + graded + level) / 3 + env * 0.25;
}

technique Lookups { pass P0 { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }

// expect: draws
// Textures described by annotations for a tool that fills them (a texture-shader function
// and its target), volume noise sampled with tex3D, and strings with escapes.
string Description = "Marble \"classic\" with C:\\textures\\noise.dds as fallback";
string ParamID = "0x0001";

float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 World : WORLD;
float NoiseScale < string UIName = "Noise \"scale\""; > = 2.0f;
float4 VeinColor = {0.3f, 0.25f, 0.2f, 1.0f};
float4 StoneColor = {0.9f, 0.88f, 0.85f, 1.0f};

texture NoiseVolume < string function = "GenerateNoise3D"; string target = "tx_1_0"; int width = 32; int height = 32; int depth = 32; string type = "VOLUME"; >;
sampler3D NoiseSampler = sampler_state { Texture = <NoiseVolume>; MinFilter = Linear; MagFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; };

float4 GenerateNoise3D(float3 Pos : POSITION) : COLOR
{
    return float4(frac(sin(dot(Pos, float3(12.9898, 78.233, 37.719))) * 43758.5453).xxx, 1);
}

struct VS_OUT { float4 Pos : POSITION; float3 ObjPos : TEXCOORD0; };

VS_OUT VS(float4 Pos : POSITION)
{
    VS_OUT o;
    o.Pos = mul(Pos, WorldViewProj);
    o.ObjPos = Pos.xyz * NoiseScale;
    return o;
}

float4 PS(VS_OUT i) : COLOR
{
    float n = tex3D(NoiseSampler, i.ObjPos).r;
    float vein = abs(sin(i.ObjPos.x * 3.0f + n * 4.0f));
    return lerp(VeinColor, StoneColor, vein);
}

technique Marble { pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }

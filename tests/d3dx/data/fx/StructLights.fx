// expect: draws
// Lights described by a struct: an array of them with initial values, a loop over the used
// ones and a material struct.
#define NUM_LIGHTS 2

struct PointLight
{
    float3 Position;
    float Range;
    float4 Color;
};

struct Material
{
    float4 Diffuse;
    float4 Ambient;
};

float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 World : WORLD;

PointLight Lights[NUM_LIGHTS] =
{
    { {2, 2, -2}, 10, {1, 0.9, 0.8, 1} },
    { {-2, 0, -1}, 6, {0.2, 0.3, 0.8, 1} }
};
Material gMaterial = { {0.8, 0.8, 0.8, 1}, {0.1, 0.1, 0.1, 1} };

struct VS_OUT
{
    float4 Pos : POSITION;
    float3 WorldPos : TEXCOORD0;
    float3 Normal : TEXCOORD1;
};

VS_OUT VS(float4 Pos : POSITION, float3 Normal : NORMAL)
{
    VS_OUT o;
    o.Pos = mul(Pos, WorldViewProj);
    o.WorldPos = mul(Pos, World).xyz;
    o.Normal = mul(Normal, (float3x3)World);
    return o;
}

float4 PS(VS_OUT i) : COLOR
{
    float3 N = normalize(i.Normal);
    float4 c = gMaterial.Ambient;
    for (int l = 0; l < NUM_LIGHTS; l++)
    {
        float3 L = Lights[l].Position - i.WorldPos;
        float d = length(L);
        float att = saturate(1 - d / Lights[l].Range);
        c += gMaterial.Diffuse * Lights[l].Color * saturate(dot(N, L / d)) * att;
    }
    return c;
}

technique PointLights { pass P0 { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }

// expect: draws
// Terrain splatting: four detail layers in a sampler array, weights from the vertex colour,
// a number of lights the host sets, matrices and vectors written with the long type names.
#define NUM_LAYERS 4
matrix<float, 4, 4> WorldViewProj : WORLDVIEWPROJECTION;
matrix World : WORLD;
vector<float, 3> SunDirection = {0.3, -1.0, 0.2};
vector SunColor = {1.0, 0.95, 0.85, 1.0};
int NumLights = 2;
float4 LightColors[4] = { {0.2, 0.2, 0.25, 1}, {0.1, 0.05, 0.0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1} };
float DetailScale = 8.0;

texture Grass < string ResourceName = "grass.dds"; >;
texture Rock < string ResourceName = "rock.dds"; >;
texture Sand < string ResourceName = "sand.dds"; >;
texture Snow < string ResourceName = "snow.dds"; >;
sampler2D Layers[NUM_LAYERS] =
{
    sampler_state { Texture = <Grass>; MinFilter = Anisotropic; MagFilter = Linear; MipFilter = Linear; MaxAnisotropy = 8; },
    sampler_state { Texture = <Rock>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; },
    sampler_state { Texture = <Sand>; MinFilter = Linear; MagFilter = Linear; MipFilter = Point; MipMapLodBias = -0.5; },
    sampler_state { Texture = <Snow>; MinFilter = Point; MagFilter = Point; AddressU = Mirror; AddressV = Mirror; }
};

struct VS_OUT
{
    float4 Position : POSITION;
    float4 Weights : COLOR0;
    float2 Uv : TEXCOORD0;
    float3 Normal : TEXCOORD1;
};

VS_OUT TerrainVS(float4 Position : POSITION, float3 Normal : NORMAL, float2 Uv : TEXCOORD0)
{
    VS_OUT o;
    o.Position = mul(Position, WorldViewProj);
    o.Normal = mul(Normal, (float3x3)World);
    o.Uv = Uv * DetailScale;
    float h = Position.y;
    o.Weights = saturate(float4(1 - abs(h) * 2, abs(h), 0.2, h - 0.5));
    return o;
}

float4 TerrainPS(VS_OUT i) : COLOR
{
    float4 albedo = 0;
    [unroll] for (int l = 0; l < NUM_LAYERS; l++)
        albedo += tex2D(Layers[l], i.Uv) * i.Weights[l];
    float3 light = SunColor.rgb * saturate(dot(normalize(i.Normal), -normalize(SunDirection)));
    for (int n = 0; n < NumLights; n++)
        light += LightColors[n].rgb;
    return float4(albedo.rgb * light, 1);
}

technique Terrain
{
    pass P0
    {
        VertexShader = compile vs_3_0 TerrainVS();
        PixelShader = compile ps_3_0 TerrainPS();
    }
}

// expect: draws
// Particles as point sprites: the vertex shader sizes each point by its distance, the pixel
// shader tints the sprite texture; added over the scene without writing depth.
float4x4 WorldView : WORLDVIEW;
float4x4 Projection : PROJECTION;
float PointScale = 60.0f;
float4 ParticleColor : DIFFUSE = {1.0f, 0.6f, 0.2f, 1.0f};
texture SpriteTexture < string ResourceName = "spark.png"; >;
sampler SpriteSampler = sampler_state { Texture = <SpriteTexture>; MinFilter = Linear; MagFilter = Linear; };

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float Size : PSIZE;
    float4 Color : COLOR0;
    float2 Tex : TEXCOORD0;
    float Fog : FOG;
};

VS_OUTPUT SpriteVS(float4 Position : POSITION, float4 Color : COLOR0)
{
    VS_OUTPUT Out;
    float4 ViewPos = mul(Position, WorldView);
    Out.Position = mul(ViewPos, Projection);
    Out.Size = PointScale / max(length(ViewPos.xyz), 0.1f);
    Out.Color = Color * ParticleColor;
    Out.Tex = float2(0.5f, 0.5f);
    Out.Fog = 1.0f;
    return Out;
}

float4 SpritePS(float4 Color : COLOR0, float2 Tex : TEXCOORD0) : COLOR0
{
    return Color * tex2D(SpriteSampler, Tex);
}

technique Sprites
{
    pass P0
    {
        VertexShader = compile vs_1_1 SpriteVS();
        PixelShader = compile ps_1_1 SpritePS();
        PointSpriteEnable = true;
        PointScaleEnable = false;
        PointSize_Min = 1.0f;
        PointSize_Max = 64.0f;
        ZWriteEnable = false;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        FogEnable = false;
    }
}

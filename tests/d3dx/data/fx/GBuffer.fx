// expect: draws
// Deferred shading G-buffer: colour, normal and depth into three render targets at once.
float4x4 World : WORLD;
float4x4 WorldViewProjection : WORLDVIEWPROJECTION;
float FarClip = 100.0f;
float4 Albedo = {0.7f, 0.7f, 0.7f, 1.0f};

struct VSOut
{
    float4 Position : POSITION;
    float3 Normal : TEXCOORD0;
    float2 Depth : TEXCOORD1;
};

struct PSOut
{
    float4 Color : COLOR0;
    float4 Normal : COLOR1;
    float4 Depth : COLOR2;
};

VSOut GBufferVS(float4 Position : POSITION, float3 Normal : NORMAL)
{
    VSOut Out;
    Out.Position = mul(Position, WorldViewProjection);
    Out.Normal = mul(Normal, (float3x3)World);
    Out.Depth = Out.Position.zw;
    return Out;
}

PSOut GBufferPS(VSOut In)
{
    PSOut Out;
    Out.Color = Albedo;
    Out.Normal = float4(normalize(In.Normal) * 0.5f + 0.5f, 1.0f);
    Out.Depth = In.Depth.x / In.Depth.y;
    return Out;
}

technique RenderGBuffer
{
    pass P0
    {
        VertexShader = compile vs_2_0 GBufferVS();
        PixelShader = compile ps_2_0 GBufferPS();
        ZEnable = true;
        ZWriteEnable = true;
        ColorWriteEnable1 = Red | Green | Blue | Alpha;
    }
}

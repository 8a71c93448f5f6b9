// expect: draws
// Vertex fog from the shader's FOG output with the device's fog states, colours from
// TEXCOORD7 and COLOR1, a pixel shader writing depth.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 WorldView : WORLDVIEW;
float FogStart = 1.0f;
float FogEnd = 10.0f;
float4 FogColour = {0.5f, 0.6f, 0.7f, 1.0f};

struct VS_OUT
{
    float4 Pos : POSITION;
    float4 Specular : COLOR1;
    float4 Extra : TEXCOORD7;
    float Fog : FOG;
};

VS_OUT VS(float4 Pos : POSITION, float3 Normal : NORMAL)
{
    VS_OUT o;
    o.Pos = mul(Pos, WorldViewProj);
    float z = mul(Pos, WorldView).z;
    o.Fog = saturate((FogEnd - z) / (FogEnd - FogStart));
    o.Specular = pow(saturate(Normal.z * -1), 8);
    o.Extra = float4(Normal * 0.5 + 0.5, 1);
    return o;
}

void PS(VS_OUT i, out float4 Color : COLOR0, out float Depth : DEPTH)
{
    Color = i.Extra + i.Specular;
    Depth = 0.5f;
}

technique Fogged
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        FogEnable = true;
        FogColor = <FogColour>;
        FogVertexMode = None;
        FogTableMode = Linear;
        FogStart = <FogStart>;
        FogEnd = <FogEnd>;
    }
}

// expect: refused: Direct3D 10 and 11
// A Direct3D 10 effect: constant buffers, state objects and technique10.
cbuffer cbPerObject
{
    float4x4 g_mWorldViewProjection;
    float4 g_vColor = float4(1, 1, 1, 1);
};

Texture2D g_txDiffuse;
SamplerState samLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Wrap;
    AddressV = Wrap;
};

struct VS_OUTPUT
{
    float4 Position : SV_POSITION;
    float2 TextureUV : TEXCOORD0;
};

VS_OUTPUT RenderSceneVS(float4 vPos : POSITION, float2 vTexCoord0 : TEXCOORD)
{
    VS_OUTPUT Output;
    Output.Position = mul(vPos, g_mWorldViewProjection);
    Output.TextureUV = vTexCoord0;
    return Output;
}

float4 RenderScenePS(VS_OUTPUT In) : SV_Target
{
    return g_txDiffuse.Sample(samLinear, In.TextureUV) * g_vColor;
}

technique10 RenderScene
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, RenderSceneVS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, RenderScenePS()));
    }
}

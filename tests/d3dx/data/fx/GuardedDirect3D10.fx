// expect: draws
// One file for Direct3D 9, 10 and 11, as public samples ship them: the newer parts sit behind
// preprocessor conditions that the Direct3D 9 compiler never meets, and its technique loads.
#if defined(D3D10) || defined(D3D11)
cbuffer cbPerObject
{
    float4x4 g_mWorldViewProjection;
    float4 g_vColor;
};
Texture2D g_txDiffuse;
SamplerState samLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
};
#else
float4x4 g_mWorldViewProjection : WORLDVIEWPROJECTION;
float4 g_vColor = { 0.3f, 0.7f, 0.9f, 1.0f };
#endif

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float3 Normal : TEXCOORD0;
};

VS_OUTPUT RenderSceneVS(float4 vPos : POSITION, float3 vNormal : NORMAL)
{
    VS_OUTPUT o;
    o.Position = mul(vPos, g_mWorldViewProjection);
    o.Normal = vNormal;
    return o;
}

float4 RenderScenePS(float3 vNormal : TEXCOORD0) : COLOR
{
    return g_vColor * (0.4f + 0.6f * saturate(dot(normalize(vNormal), float3(0, 0, -1))));
}

#if D3D_FEATURE_LEVEL >= 10
BlendState NoBlending
{
    BlendEnable[0] = FALSE;
};

technique10 Render10
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, RenderSceneVS()));
        SetPixelShader(CompileShader(ps_4_0, RenderScenePS()));
        SetBlendState(NoBlending, float4(0, 0, 0, 0), 0xFFFFFFFF);
    }
}
#endif

#ifdef FX11
technique11 Render11
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_5_0, RenderSceneVS()));
        SetPixelShader(CompileShader(ps_5_0, RenderScenePS()));
    }
}
#endif

technique Render9
{
    pass P0
    {
        VertexShader = compile vs_2_0 RenderSceneVS();
        PixelShader = compile ps_2_0 RenderScenePS();
    }
}

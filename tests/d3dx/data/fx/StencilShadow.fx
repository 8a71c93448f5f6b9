// expect: draws
// Stencil shadow volumes: the ambient pass lays down depth, the volume passes count in the
// stencil buffer, the lit pass draws where the count is zero.
float4x4 g_mWorldViewProjection : WORLDVIEWPROJECTION;
float4x4 g_mWorld : WORLD;
float3 g_vLightDir = {0.2f, -1.0f, 0.4f};
float4 g_vAmbient = {0.2f, 0.2f, 0.25f, 1.0f};
float4 g_vShadowColor = {0.0f, 0.0f, 0.0f, 0.5f};

void VertScene(float4 vPos : POSITION, float3 vNormal : NORMAL,
               out float4 oPos : POSITION, out float4 oColor : COLOR0)
{
    oPos = mul(vPos, g_mWorldViewProjection);
    float3 N = normalize(mul(vNormal, (float3x3)g_mWorld));
    oColor = g_vAmbient + saturate(dot(N, -normalize(g_vLightDir)));
    oColor.a = 1;
}

float4 PixScene(float4 Color : COLOR0) : COLOR0
{
    return Color;
}

float4 PixShadow() : COLOR0
{
    return g_vShadowColor;
}

technique RenderScene
{
    pass Ambient
    {
        VertexShader = compile vs_2_0 VertScene();
        PixelShader = compile ps_2_0 PixScene();
        ZEnable = true;
        ZWriteEnable = true;
        StencilEnable = false;
    }
}

technique RenderShadowVolume2Sided
{
    pass P0
    {
        VertexShader = compile vs_2_0 VertScene();
        PixelShader = compile ps_2_0 PixShadow();
        CullMode = None;
        ZWriteEnable = false;
        ZFunc = Less;
        StencilEnable = true;
        TwoSidedStencilMode = true;
        StencilFunc = Always;
        StencilZFail = Keep;
        StencilFail = Keep;
        StencilPass = Incr;
        Ccw_StencilFunc = Always;
        Ccw_StencilZFail = Keep;
        Ccw_StencilFail = Keep;
        Ccw_StencilPass = Decr;
        StencilRef = 1;
        StencilMask = 0xffffffff;
        StencilWriteMask = 0xffffffff;
        ColorWriteEnable = 0;
        AlphaBlendEnable = true;
        SrcBlend = Zero;
        DestBlend = One;
    }
}

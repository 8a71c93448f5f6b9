// expect: draws
// Desaturation with a sepia tint: a pixel shader alone, over the fixed-function vertex stage.
#include "include/PostProcess.fxh"

float4 SepiaTone < string UIWidget = "Color"; > = float4(1.0, 0.85, 0.6, 1.0);
float Desaturation = 1.0;

half4 SepiaPS(float2 Tex : TEXCOORD0) : COLOR
{
    half4 c = tex2D(g_samSrcColor, Tex);
    half grey = dot(c.rgb, LUMINANCE_VECTOR);
    c.rgb = lerp(c.rgb, grey * SepiaTone.rgb, Desaturation);
    return c;
}

technique PostProcess
{
    pass P0
    {
        PixelShader = compile ps_1_4 SepiaPS();
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        AlphaBlendEnable = FALSE;
    }
}

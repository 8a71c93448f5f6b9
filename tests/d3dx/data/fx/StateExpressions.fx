// expect: draws
// States computed from parameters when the pass begins, as the effect framework's
// expressions allow: a fade that turns blending on, a cull mode chosen by a flag.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float Opacity < string UIName = "Opacity"; float UIMin = 0; float UIMax = 1; > = 0.75f;
int gCullMode = 3;
bool bTwoSided = false;
int SrcBlendMode = 5; // SRCALPHA
float4 Color = {0.2f, 0.8f, 0.4f, 1.0f};

float4 VS(float4 p : POSITION) : POSITION { return mul(p, WorldViewProj); }
float4 PS() : COLOR { return float4(Color.rgb, Opacity); }

technique Fade
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        AlphaBlendEnable = (Opacity < 1.0f);
        SrcBlend = <SrcBlendMode>;
        DestBlend = (Opacity < 1.0f) ? INVSRCALPHA : ZERO;
        CullMode = (bTwoSided || Opacity < 0.9) ? 1 : gCullMode;
        ZWriteEnable = Opacity >= 1.0f;
        AlphaRef = (int)(Opacity * 255) / 2;
    }
}

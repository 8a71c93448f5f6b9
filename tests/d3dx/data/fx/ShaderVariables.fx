// expect: draws
// Shaders compiled once into variables and used by several passes, by <name> and (name).
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4 vGlow = {0.2f, 0.6f, 1.0f, 1.0f};

void VS_Main(float4 Pos : POSITION, float3 Normal : NORMAL, out float4 oPos : POSITION, out float3 oNormal : TEXCOORD0)
{
    oPos = mul(Pos, mWorldViewProj);
    oNormal = Normal;
}

float4 PS_Base(float3 Normal : TEXCOORD0) : COLOR0 { return float4(normalize(Normal) * 0.5f + 0.5f, 1); }
float4 PS_Glow(float3 Normal : TEXCOORD0) : COLOR0 { return vGlow * (1 - abs(normalize(Normal).z)); }

VertexShader vsMain = compile vs_2_0 VS_Main();
PixelShader psBase = compile ps_2_0 PS_Base();
PixelShader psGlow = compile ps_2_0 PS_Glow();

technique BaseAndGlow
{
    pass Base
    {
        VertexShader = <vsMain>;
        PixelShader = <psBase>;
    }
    pass Glow
    {
        VertexShader = (vsMain);
        PixelShader = (psGlow);
        AlphaBlendEnable = True;
        SrcBlend = One;
        DestBlend = One;
        ZFunc = LessEqual;
    }
}

// expect: draws
// Written for shader model 1: HLSL compiled for vs_1_1, ps_1_1, ps_1_3 and ps_1_4, with
// tex coords and colours passed through, and a fixed-function fallback.
float4x4 matWVP : WORLDVIEWPROJECTION;
float4 vLightDir = {0, 0, -1, 0};
texture tDiffuse;
sampler sDiffuse = sampler_state { Texture = <tDiffuse>; };

struct VS_OUTPUT { float4 Pos : POSITION; float4 Col : COLOR0; float2 Tex : TEXCOORD0; };

VS_OUTPUT VS11(float4 Pos : POSITION, float3 Nrm : NORMAL, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out = (VS_OUTPUT)0;
    Out.Pos = mul(Pos, matWVP);
    Out.Col = max(0, dot(Nrm, -vLightDir.xyz)) * 0.8 + 0.2;
    Out.Tex = Tex;
    return Out;
}

float4 PS11(float4 Col : COLOR0, float2 Tex : TEXCOORD0) : COLOR { return tex2D(sDiffuse, Tex) * Col; }
float4 PS13(float4 Col : COLOR0) : COLOR { return Col * float4(1, 0.8, 0.6, 1); }
float4 PS14(float4 Col : COLOR0, float2 Tex : TEXCOORD0) : COLOR { return tex2D(sDiffuse, Tex * 2) * Col; }

technique PS_1_1 { pass P0 { VertexShader = compile vs_1_1 VS11(); PixelShader = compile ps_1_1 PS11(); } }
technique PS_1_3 { pass P0 { VertexShader = compile vs_1_1 VS11(); PixelShader = compile ps_1_3 PS13(); } }
technique PS_1_4 { pass P0 { VertexShader = compile vs_1_1 VS11(); PixelShader = compile ps_1_4 PS14(); } }
technique FixedFunction
{
    pass P0
    {
        Texture[0] = <tDiffuse>;
        ColorOp[0] = Modulate; ColorArg1[0] = Texture; ColorArg2[0] = Diffuse;
    }
}

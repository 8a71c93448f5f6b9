// expect: draws
// Written without care for case: semantics, state names and state values in any mix.
float4x4 matWVP : WorldViewProjection;
float4 vTint : Diffuse = {0.9, 0.4, 0.7, 1};

struct VS_OUTPUT { float4 Pos : Position; float3 Nrm : TexCoord0; float4 Col : Color0; };

VS_OUTPUT vs_main(float4 inPos : Position, float3 inNrm : Normal)
{
    VS_OUTPUT o;
    o.Pos = mul(inPos, matWVP);
    o.Nrm = inNrm;
    o.Col = vTint;
    return o;
}

float4 ps_main(VS_OUTPUT i) : Color
{
    return i.Col * (0.4 + 0.6 * saturate(-normalize(i.Nrm).z));
}

technique tMain
{
    pass pMain
    {
        vertexshader = compile vs_2_0 vs_main();
        pixelshader = compile ps_2_0 ps_main();
        zenable = TRUE;
        ZWRITEENABLE = true;
        cullmode = none;
        AlphaBlendEnable = False;
        ZFUNC = lessequal;
    }
}

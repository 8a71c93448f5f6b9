// expect: refused: 'SumLights' cannot be evaluated when the pass begins: it has a loop
// A state computed by a function that loops: refused by the function's name, never run.
int NumLights = 3;
float4x4 WorldViewProj : WORLDVIEWPROJECTION;

int SumLights()
{
    int total = 0;
    for (int i = 0; i < NumLights; i++)
        total += 1;
    return total;
}

float4 VS(float4 p : POSITION) : POSITION { return mul(p, WorldViewProj); }
float4 PS() : COLOR { return float4(1, 1, 1, 1); }

technique T
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        StencilRef = SumLights();
    }
}

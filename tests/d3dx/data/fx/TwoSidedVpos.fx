// expect: draws
// Shader model 3 pixel inputs: VFACE picks the colour of the side, VPOS draws a screen-space
// checker that stays put when the object moves.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4 FrontColor = {0.9f, 0.5f, 0.1f, 1.0f};
float4 BackColor = {0.1f, 0.3f, 0.9f, 1.0f};
float CheckerSize = 8.0f;

float4 VS(float4 Pos : POSITION) : POSITION
{
    return mul(Pos, WorldViewProj);
}

float4 PS(float Face : VFACE, float2 ScreenPos : VPOS) : COLOR
{
    float2 cell = floor(ScreenPos / CheckerSize);
    float checker = fmod(cell.x + cell.y, 2.0f);
    float4 base = Face > 0 ? FrontColor : BackColor;
    return base * (0.75f + 0.25f * checker);
}

technique TwoSided
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
        CullMode = None;
    }
}

// expect: refused: unknown state 'AlphaBlendEnabled'
// A typing mistake in a state name; it must not be ignored.
float4 PS() : COLOR { return float4(1, 1, 1, 0.5); }
technique Transparent
{
    pass P0
    {
        PixelShader = compile ps_2_0 PS();
        AlphaBlendEnabled = true;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
    }
}

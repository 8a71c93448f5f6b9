// expect: refused: assembly shaders
// A bump-mapped surface for first-generation cards, with the shaders in assembly.
texture tBase;
texture tBump;
float4x4 mWVP : WORLDVIEWPROJECTION;

technique BumpAsm
{
    pass P0
    {
        Texture[0] = <tBump>;
        Texture[1] = <tBase>;
        VertexShaderConstant4[0] = <mWVP>;
        VertexShader =
        asm
        {
            vs_1_1
            dcl_position v0
            dcl_texcoord v7
            m4x4 oPos, v0, c0
            mov oT0, v7
            mov oT1, v7
        };
        PixelShader =
        asm
        {
            ps_1_1
            tex t0
            texbem t1, t0
            mov r0, t1
        };
    }
}

// expect: refused: Lighting.fxh
// Written for a shader pack whose headers are not here.
#include "Lighting.fxh"

float4 PS() : COLOR { return AmbientTerm(); }
technique T { pass P0 { PixelShader = compile ps_2_0 PS(); } }

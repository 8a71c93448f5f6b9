// expect: draws
// The same transform written three ways that must agree with the host's row-major matrices:
// mul(v, M) on a default (column_major) matrix, on a row_major one, and mul(transpose(M), v).
#pragma pack_matrix(column_major)
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
row_major float4x4 RowWorldViewProj : WORLDVIEWPROJECTION;
float4 Color = {0.3f, 0.6f, 0.9f, 1.0f};

float4 VSColumn(float4 p : POSITION) : POSITION { return mul(p, WorldViewProj); }
float4 VSRowMajor(float4 p : POSITION) : POSITION { return mul(p, RowWorldViewProj); }
float4 VSTransposed(float4 p : POSITION) : POSITION { return mul(transpose(WorldViewProj), p); }
float4 PS() : COLOR { return Color; }

technique ColumnMajor { pass { VertexShader = compile vs_2_0 VSColumn(); PixelShader = compile ps_2_0 PS(); } }
technique RowMajor { pass { VertexShader = compile vs_2_0 VSRowMajor(); PixelShader = compile ps_2_0 PS(); } }
technique Transposed { pass { VertexShader = compile vs_2_0 VSTransposed(); PixelShader = compile ps_2_0 PS(); } }

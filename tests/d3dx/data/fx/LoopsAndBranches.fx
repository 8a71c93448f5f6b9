// expect: draws
// Flow control of shader model 3: loops bounded by a parameter, attributes, while and do
// loops, branches on booleans, derivatives.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
int NumRings = 4;
bool UseStripes = true;
float4 RingColors[8] = { {1,0,0,1}, {0,1,0,1}, {0,0,1,1}, {1,1,0,1}, {1,0,1,1}, {0,1,1,1}, {1,1,1,1}, {0.5,0.5,0.5,1} };

struct VS_OUT { float4 Pos : POSITION; float2 Uv : TEXCOORD0; float3 Normal : TEXCOORD1; };

VS_OUT VS(float4 Pos : POSITION, float3 Normal : NORMAL, float2 Uv : TEXCOORD0)
{
    VS_OUT o;
    o.Pos = mul(Pos, WorldViewProj);
    o.Uv = Uv;
    o.Normal = Normal;
    return o;
}

float4 PS(VS_OUT i) : COLOR
{
    float4 c = 0;
    [loop] for (int r = 0; r < NumRings; r++)
    {
        [branch] if (i.Uv.y * NumRings < r + 1)
        {
            c = RingColors[r];
            break;
        }
    }
    int n = 0;
    float f = 0;
    while (n < 3) { f += 0.1f; n++; }
    do { f *= 0.9f; n--; } while (n > 0);
    [flatten] if (UseStripes)
        c.rgb *= 0.75f + 0.25f * step(0.5f, frac(i.Uv.x * 8));
    float edge = fwidth(i.Uv.x) + abs(ddx(i.Uv.y)) + abs(ddy(i.Uv.y));
    return c * (0.5f + 0.5f * saturate(i.Normal.z + 1)) + f * 0.1f + edge * 0;
}

technique Rings { pass P0 { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }

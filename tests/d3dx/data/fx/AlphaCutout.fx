// expect: draws
// Foliage cut out of its texture: clip() in the shader and the alpha test as states.
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float AlphaCutoff = 0.5f;
texture LeafTexture < string ResourceName = "leaf.tga"; >;
sampler LeafSampler = sampler_state { Texture = <LeafTexture>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };

void LeafVS(float4 Pos : POSITION, float2 Uv : TEXCOORD0, out float4 oPos : POSITION, out float2 oUv : TEXCOORD0)
{
    oPos = mul(Pos, WorldViewProj);
    oUv = Uv * 2;
}

float4 LeafPS(float2 Uv : TEXCOORD0) : COLOR
{
    float4 c = tex2D(LeafSampler, Uv);
    clip(c.a - AlphaCutoff);
    if (c.r > 2.0f)
        discard;
    return float4(c.rgb * float3(0.4f, 0.9f, 0.3f) + 0.1f, c.a);
}

technique Leaves
{
    pass P0
    {
        VertexShader = compile vs_2_0 LeafVS();
        PixelShader = compile ps_2_0 LeafPS();
        AlphaTestEnable = true;
        AlphaRef = 0x40;
        AlphaFunc = GreaterEqual;
        CullMode = None;
    }
}

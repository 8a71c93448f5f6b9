// expect: draws
// Water: a height map read in the vertex shader (vertex texture fetch), waves from the time,
// projective reflection lookups and a depth-based tint.
float4x4 g_mWorldViewProj : WORLDVIEWPROJECTION;
float4x4 g_mTexProj;   // clip space to the reflection texture
float g_fTime : TIME = 0;
float2 g_vWaveSpeed = {0.03f, 0.02f};
float g_fWaveHeight = 0.05f;
float4 g_vDeepColor = {0.0f, 0.15f, 0.3f, 1.0f};
float4 g_vShallowColor = {0.1f, 0.5f, 0.6f, 1.0f};

texture g_tHeight;
texture g_tReflection;
sampler2D HeightSampler = sampler_state { Texture = <g_tHeight>; MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Wrap; AddressV = Wrap; };
sampler2D ReflectionSampler = sampler_state { Texture = <g_tReflection>; MinFilter = Linear; MagFilter = Linear; AddressU = Clamp; AddressV = Clamp; };

struct VS_OUT
{
    float4 Pos : POSITION;
    float4 ProjTex : TEXCOORD0;
    float2 Uv : TEXCOORD1;
    float Height : TEXCOORD2;
};

VS_OUT WaterVS(float4 Pos : POSITION, float2 Uv : TEXCOORD0)
{
    VS_OUT Out;
    float2 vUv = Uv + g_vWaveSpeed * g_fTime;
    float fHeight = tex2Dlod(HeightSampler, float4(vUv, 0, 0)).r;
    fHeight += sin(Pos.x * 4.0f + g_fTime) * 0.5f;
    float4 vPos = Pos + float4(0, fHeight * g_fWaveHeight, 0, 0);
    Out.Pos = mul(vPos, g_mWorldViewProj);
    Out.ProjTex = mul(Out.Pos, g_mTexProj);
    Out.Uv = vUv;
    Out.Height = fHeight;
    return Out;
}

float4 WaterPS(VS_OUT In) : COLOR
{
    float4 vReflection = tex2Dproj(ReflectionSampler, In.ProjTex);
    float4 vBase = lerp(g_vDeepColor, g_vShallowColor, saturate(In.Height * 0.5f + 0.5f));
    return vBase + vReflection * 0.3f + frac(In.Uv.x * 4) * 0.02f;
}

technique Water
{
    pass P0
    {
        VertexShader = compile vs_3_0 WaterVS();
        PixelShader = compile ps_3_0 WaterPS();
        CullMode = None;
    }
}

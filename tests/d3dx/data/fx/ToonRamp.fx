// expect: draws
// Cartoon shading: the lighting term looks up a one-dimensional ramp, an outline pass
// draws the back faces pushed out along their normals.
float4x4 WorldViewProjection : WORLDVIEWPROJECTION;
float4x4 WorldInverseTranspose : WORLDINVERSETRANSPOSE;
float3 LightDirection = {0.5f, 0.5f, -1.0f};
float OutlineWidth = 0.03f;
fixed4 OutlineColor = {0, 0, 0, 1};
fixed4 BaseColor = {1.0f, 0.4f, 0.2f, 1.0f};

texture RampTexture < string ResourceName = "ramp.png"; >;
sampler RampSampler = sampler_state
{
    Texture = <RampTexture>;
    MinFilter = Point;
    MagFilter = Point;
    AddressU = Clamp;
};

struct VS_OUT
{
    float4 Position : POSITION;
    float Diffuse : TEXCOORD0;
};

VS_OUT ToonVS(float4 Position : POSITION, float3 Normal : NORMAL)
{
    VS_OUT Out;
    Out.Position = mul(Position, WorldViewProjection);
    float3 N = normalize(mul(Normal, (float3x3)WorldInverseTranspose));
    Out.Diffuse = saturate(dot(N, normalize(-LightDirection))) * 0.9f + 0.05f;
    return Out;
}

fixed4 ToonPS(VS_OUT In) : COLOR
{
    fixed4 ramp = tex1D(RampSampler, In.Diffuse);
    return BaseColor * (0.3f + ramp);
}

float4 OutlineVS(float4 Position : POSITION, float3 Normal : NORMAL) : POSITION
{
    return mul(Position + float4(Normal * OutlineWidth, 0), WorldViewProjection);
}

fixed4 OutlinePS() : COLOR { return OutlineColor; }

technique Toon
{
    pass Shade
    {
        VertexShader = compile vs_1_1 ToonVS();
        PixelShader = compile ps_2_0 ToonPS();
        CullMode = CCW;
    }
    pass Outline
    {
        VertexShader = compile vs_1_1 OutlineVS();
        PixelShader = compile ps_2_0 OutlinePS();
        CullMode = CW;
    }
}

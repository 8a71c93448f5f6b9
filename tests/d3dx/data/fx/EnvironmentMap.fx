// expect: draws
// Chrome: reflection and refraction looked up in a cube map, mixed by a Fresnel term.
float4x4 World : WORLD;
float4x4 View : VIEW;
float4x4 Projection : PROJECTION;
float3 EyePosition : CAMERAPOSITION = {0, 0, -3};
float FresnelPower = 3.0f;
float RefractionIndex = 1.0f / 1.33f;
float4 BaseColor = {0.3f, 0.35f, 0.4f, 1.0f};

textureCUBE EnvironmentMap < string ResourceName = "lobby.dds"; string ResourceType = "Cube"; >;

samplerCUBE EnvironmentSampler = sampler_state
{
    Texture = (EnvironmentMap);
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
    AddressW = Clamp;
};

struct VS_OUT
{
    float4 Position : POSITION;
    float3 Reflect : TEXCOORD0;
    float3 Refract : TEXCOORD1;
    float Fresnel : TEXCOORD2;
};

VS_OUT ChromeVS(float4 Position : POSITION, float3 Normal : NORMAL)
{
    VS_OUT Out;
    float4 WorldPosition = mul(Position, World);
    Out.Position = mul(mul(WorldPosition, View), Projection);
    float3 N = normalize(mul(Normal, (float3x3)World));
    float3 I = normalize(WorldPosition.xyz - EyePosition);
    Out.Reflect = reflect(I, N);
    Out.Refract = refract(I, N, RefractionIndex);
    Out.Fresnel = saturate(pow(1.0f + dot(I, N), FresnelPower));
    return Out;
}

float4 ChromePS(VS_OUT In) : COLOR
{
    float4 Reflected = texCUBE(EnvironmentSampler, In.Reflect);
    float4 Refracted = texCUBE(EnvironmentSampler, In.Refract);
    return BaseColor + lerp(Refracted, Reflected, In.Fresnel);
}

technique Chrome
{
    pass P0
    {
        VertexShader = compile vs_2_0 ChromeVS();
        PixelShader = compile ps_2_0 ChromePS();
    }
}

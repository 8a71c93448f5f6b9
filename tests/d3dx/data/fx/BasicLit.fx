// expect: draws
//--------------------------------------------------------------------------------------
// File: BasicLit.fx
// A textured mesh lit by up to three directional lights; one technique per light count
// and texturing choice, selected with uniform arguments of 'compile'.
//--------------------------------------------------------------------------------------
#include "include/Common.fxh"

float4 g_MaterialAmbientColor;      // Material's ambient color
float4 g_MaterialDiffuseColor = {0.8f, 0.7f, 0.6f, 1.0f};
int g_nNumLights = 2;

texture g_MeshTexture < string ResourceName = "tiger.bmp"; string ResourceType = "2D"; >;

sampler MeshTextureSampler =
sampler_state
{
    Texture = <g_MeshTexture>;
    MipFilter = LINEAR;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

struct VS_OUTPUT
{
    float4 Position   : POSITION;   // vertex position
    float4 Diffuse    : COLOR0;     // vertex diffuse color
    float2 TextureUV  : TEXCOORD0;  // vertex texture coords
};

VS_OUTPUT RenderSceneVS( float4 vPos : POSITION,
                         float3 vNormal : NORMAL,
                         float2 vTexCoord0 : TEXCOORD0,
                         uniform int nNumLights,
                         uniform bool bTexture,
                         uniform bool bAnimate )
{
    VS_OUTPUT Output;
    float3 vNormalWorldSpace;

    float4 vAnimatedPos = vPos;
    if( bAnimate )
        vAnimatedPos += float4(vNormal, 0) * (sin(g_fTime+5.5)+0.5)*0.05f;

    Output.Position = mul(vAnimatedPos, g_mWorldViewProjection);
    vNormalWorldSpace = normalize(mul(vNormal, (float3x3)g_mWorld));

    Output.Diffuse.rgb = g_MaterialDiffuseColor.rgb * LambertLights(vNormalWorldSpace, nNumLights);
    Output.Diffuse.a = 1.0f;

    if( bTexture )
        Output.TextureUV = vTexCoord0;
    else
        Output.TextureUV = 0;

    return Output;
}

struct PS_OUTPUT
{
    float4 RGBColor : COLOR0;  // Pixel color
};

PS_OUTPUT RenderScenePS( VS_OUTPUT In, uniform bool bTexture )
{
    PS_OUTPUT Output;
    if( bTexture )
        Output.RGBColor = tex2D(MeshTextureSampler, In.TextureUV) * In.Diffuse;
    else
        Output.RGBColor = In.Diffuse;
    return Output;
}

technique RenderSceneWithTexture1Light
{
    pass P0
    {
        VertexShader = compile vs_2_0 RenderSceneVS( 1, true, true );
        PixelShader  = compile ps_2_0 RenderScenePS( true );
    }
}

technique RenderSceneWithTexture3Light
{
    pass P0
    {
        VertexShader = compile vs_2_0 RenderSceneVS( 3, true, true );
        PixelShader  = compile ps_2_0 RenderScenePS( true );
    }
}

technique RenderSceneNoTexture
{
    pass P0
    {
        VertexShader = compile vs_2_0 RenderSceneVS( MAX_LIGHTS, false, false );
        PixelShader  = compile ps_2_0 RenderScenePS( false );
    }
}

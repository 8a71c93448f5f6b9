// PostProcess.fxh: the full-screen quad and the source texture of the post-process effects.
#pragma once

texture g_txSrcColor : SOURCETEXTURE;
sampler2D g_samSrcColor = sampler_state
{
    Texture = <g_txSrcColor>;
    AddressU = Clamp;
    AddressV = Clamp;
    MinFilter = Point;
    MagFilter = Linear;
    MipFilter = None;
};

float2 g_vSourceSize < string UIName = "Source size"; > = {256.0f, 256.0f};

struct VS_QUAD_OUTPUT
{
    float4 Position : POSITION;
    float2 TexCoord : TEXCOORD0;
};

VS_QUAD_OUTPUT QuadVS(float4 Position : POSITION, float2 TexCoord : TEXCOORD0)
{
    VS_QUAD_OUTPUT Out;
    Out.Position = Position;
    Out.TexCoord = TexCoord + 0.5f / g_vSourceSize;
    return Out;
}

static const float3 LUMINANCE_VECTOR = float3(0.2125f, 0.7154f, 0.0721f);

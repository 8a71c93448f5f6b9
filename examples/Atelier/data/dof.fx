// Depth of field: the composite of the balls and grid layers. The scene was drawn into two
// targets: tSceneColor (the sharp picture) and tBlurDepth (red = blur amount 0..1, green =
// depth; see "scene.fx"). A blurred pixel becomes the mean of twelve taps spread around it on a
// disc of blur * maxCoC pixels (filterTaps are the disc's points divided by the target size).
// A tap nearer to the camera than the pixel counts only as much as that tap is blurred
// itself, so a sharp foreground object does not bleed into the blurred background behind it.
//
// The taps are costly, so they are taken at half the size ("FilterDoFHalf", into tHalfBlur,
// one pixel for every two by two of the picture); "FilterDoF" then gives each pixel its sharp
// colour, the half-size blur, or for discs of half a pixel to one and a half pixels a mix of
// the two. (With an effect file that has no "FilterDoFHalf", the layers draw its "FilterDoF"
// alone, at full size.)
//
// The quad comes in pixels (x from -0.5 to width - 0.5); viewportScale and viewportBias map
// it to clip space.

float4 viewportScale = {1, -1, 1, 1};
float4 viewportBias = {-1, 1, 0, 0};
float4 filterTaps[12];
float maxCoC = 4.5;

texture tSceneColor;
texture tBlurDepth;
texture tHalfBlur;

sampler2D SceneSampler = sampler_state
{
    Texture = <tSceneColor>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler2D BlurSampler = sampler_state
{
    Texture = <tBlurDepth>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler2D HalfSampler = sampler_state
{
    Texture = <tHalfBlur>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
};

VS_OUTPUT VSQuad(float4 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Pos = float4(Pos.xy * viewportScale.xy + viewportBias.xy, 0, 1);
    Out.Tex = Tex;
    return Out;
}

float4 PSFilter(float2 Tex : TEXCOORD0) : COLOR0
{
    float2 centre = tex2D(BlurSampler, Tex).rg;
    float radius = centre.r * maxCoC;
    float3 sum = tex2D(SceneSampler, Tex).rgb;
    // In focus (a disc smaller than half a pixel): the sharp picture as it is.
    if (radius < 0.5)
        return float4(sum, 1.0);
    float weight = 1.0;
    for (int i = 0; i < 12; i++)
    {
        float2 at = Tex + filterTaps[i].xy * radius;
        float2 tap = tex2D(BlurSampler, at).rg;
        float w = tap.g < centre.g ? tap.r : 1.0;
        sum += tex2D(SceneSampler, at).rgb * w;
        weight += w;
    }
    return float4(sum / weight, 1.0);
}

// The sharp picture where the disc is below half a pixel, else the half-size blur, faded in
// over the next pixel of radius.
float4 PSCombine(float2 Tex : TEXCOORD0) : COLOR0
{
    float radius = tex2D(BlurSampler, Tex).r * maxCoC;
    float3 sharp = tex2D(SceneSampler, Tex).rgb;
    if (radius < 0.5)
        return float4(sharp, 1.0);
    float3 blurred = tex2D(HalfSampler, Tex).rgb;
    return float4(lerp(sharp, blurred, saturate(radius - 0.5)), 1.0);
}

technique FilterDoFHalf
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSQuad();
        PixelShader = compile ps_3_0 PSFilter();
        ZEnable = false;
        ZWriteEnable = false;
        AlphaBlendEnable = false;
        CullMode = None;
    }
}

technique FilterDoF
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSQuad();
        PixelShader = compile ps_3_0 PSCombine();
        ZEnable = false;
        ZWriteEnable = false;
        AlphaBlendEnable = false;
        CullMode = None;
    }
}

// expect: draws
/*
    Scene glow for an effect editor that runs the scripts in the annotations: the scene is
    rendered into a colour target, then blurred and added back. A host without scripting
    draws the first pass's geometry with the first technique.
*/
float Script : STANDARDSGLOBAL <
    string UIWidget = "none";
    string ScriptClass = "scene";
    string ScriptOrder = "postprocess";
    string ScriptOutput = "color";
    string Script = "Technique=Main;";
> = 0.8;

float4 ClearColor < string UIWidget = "color"; string UIName = "Background"; > = {0, 0, 0, 0};
float ClearDepth < string UIWidget = "None"; > = 1.0;
float2 ViewportSize : VIEWPORTPIXELSIZE < string UIName = "Screen Size"; string UIWidget = "None"; >;
float4x4 WvpXf : WorldViewProjection < string UIWidget = "None"; >;
float Glowness < string UIName = "Glow Strength"; string UIWidget = "slider"; float UIMin = 0.0f; float UIMax = 2.0f; float UIStep = 0.05f; > = 1.2f;

texture SceneMap : RENDERCOLORTARGET < float2 ViewPortRatio = {1.0, 1.0}; int MipLevels = 1; string Format = "X8R8G8B8"; string UIWidget = "None"; >;
sampler SceneSampler = sampler_state { texture = <SceneMap>; AddressU = CLAMP; AddressV = CLAMP; MipFilter = NONE; MinFilter = LINEAR; MagFilter = LINEAR; };
texture DepthBuffer : RENDERDEPTHSTENCILTARGET < float2 ViewPortRatio = {1.0, 1.0}; string Format = "D24S8"; string UIWidget = "None"; >;

struct QuadVertexOutput { float4 Position : POSITION; float2 UV : TEXCOORD0; };

QuadVertexOutput ScreenQuadVS(float3 Position : POSITION, float3 TexCoord : TEXCOORD0)
{
    QuadVertexOutput OUT;
    OUT.Position = float4(Position, 1);
    OUT.UV = TexCoord.xy + (0.5 / ViewportSize);
    return OUT;
}

float4 SceneVS(float4 Position : POSITION) : POSITION { return mul(Position, WvpXf); }
float4 ScenePS() : COLOR { return float4(0.8, 0.5, 0.2, 1); }
float4 GlowPS(QuadVertexOutput IN) : COLOR
{
    float4 c = 0;
    for (int i = -2; i <= 2; i++)
        c += tex2D(SceneSampler, IN.UV + float2(i * 2.0 / max(ViewportSize.x, 1), 0)) * 0.2;
    return c * Glowness;
}

technique Main < string Script = "RenderColorTarget0=SceneMap; RenderDepthStencilTarget=DepthBuffer; ClearSetColor=ClearColor; ClearSetDepth=ClearDepth; Clear=Color; Clear=Depth; ScriptExternal=color; Pass=Glow;"; >
{
    pass Scene < string Script = "Draw=Geometry;"; >
    {
        VertexShader = compile vs_2_0 SceneVS();
        PixelShader = compile ps_2_0 ScenePS();
        ZEnable = true;
    }
    pass Glow < string Script = "RenderColorTarget0=; RenderDepthStencilTarget=; Draw=Buffer;"; >
    {
        VertexShader = compile vs_2_0 ScreenQuadVS();
        PixelShader = compile ps_2_0 GlowPS();
        ZEnable = false;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
    }
}

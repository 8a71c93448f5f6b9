// Scenes drawn through the depth-of-field pass (the balls room and the beam lattice).
// Every technique writes two pictures at once: the lit colour into render target 0, and
// into render target 1 (two float channels) the blur amount of the pixel and its depth:
//   red   = saturate(|depth - focalDist| * focalRange), 0 sharp .. 1 fully blurred
//   green = depth, the distance along the view (clip w)
// "dof.fx" then blurs the colour picture by these values.
//
// The layers set, per object: matWorldViewProj, lightPos and viewPos (both in the object's
// own space, homogeneous: the point (x, y, z) / w, or a direction when w is 0), the material
// colours mtrlAmbient, mtrlDiffuse and mtrlSpecular and the texture tTexture; per frame
// globalLight, focalDist and focalRange.
//
// Lighting: a soft Lambert term lit = saturate(0.75 N.L + 0.25) from the light position,
// and a Blinn-Phong highlight spec towards viewPos.
//   ObjTex      rgb = tex * (mtrlAmbient + globalLight * lit * mtrlDiffuse) + highlight
//   ObjTexWall  rgb = tex * (mtrlAmbient + globalLight * lit) + mtrlDiffuse * globalLight * lit
//                     + highlight            (the texture is the wall's own colour)
//   ObjAlphaTex rgb = tex * (mtrlAmbient + globalLight * lit * mtrlDiffuse), alpha = tex alpha
//                     * mtrlDiffuse alpha, blended over what is there (shadows); no highlight
//   ObjNoTex    rgb = mtrlAmbient + globalLight * (lit * mtrlDiffuse) + highlight
//   ObjTexFog   ObjTexWall faded to black between fogStart and fogEnd units from viewPos,
//               so a lattice that stops 30 units away has no visible end
// with highlight = mtrlSpecular * globalLight * spec.

float4x4 matWorldViewProj;
float4 lightPos = {0, 10, -10, 1};
float4 viewPos = {0, 0, -10, 1};
float4 mtrlAmbient = {0, 0, 0, 1};
float4 mtrlDiffuse = {1, 1, 1, 1};
float4 mtrlSpecular = {0, 0, 0, 1};
float globalLight = 1.0;
float focalDist = 10.0;
float focalRange = 0.2;
float specularPower = 24.0;
float fogStart = 8.0;
float fogEnd = 30.0;

texture tTexture;

sampler2D TextureSampler = sampler_state
{
    Texture = <tTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 Normal : TEXCOORD1;
    float3 ToLight : TEXCOORD2;
    float3 ToView : TEXCOORD3;
    float Depth : TEXCOORD4;
};

struct PS_OUTPUT
{
    float4 Colour : COLOR0;
    float4 Blur : COLOR1;
};

// From a point of the object towards a homogeneous point (x, y, z, w): the point (x, y, z) / w,
// or the direction (x, y, z) itself when w is 0.
float3 Towards(float4 target, float3 from)
{
    return target.w != 0 ? target.xyz / target.w - from : target.xyz;
}

VS_OUTPUT Transform(float4 Pos, float3 Normal, float2 Tex)
{
    VS_OUTPUT Out;
    Out.Pos = mul(Pos, matWorldViewProj);
    Out.Tex = Tex;
    Out.Normal = Normal;
    Out.ToLight = Towards(lightPos, Pos.xyz);
    Out.ToView = Towards(viewPos, Pos.xyz);
    Out.Depth = Out.Pos.w;
    return Out;
}

VS_OUTPUT VSTextured(float4 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0)
{
    return Transform(Pos, Normal, Tex);
}

VS_OUTPUT VSPlain(float4 Pos : POSITION, float3 Normal : NORMAL)
{
    return Transform(Pos, Normal, float2(0, 0));
}

// The soft Lambert term (x) and the highlight (y).
float2 Light(VS_OUTPUT In)
{
    float3 N = normalize(In.Normal);
    float3 L = normalize(In.ToLight);
    float3 V = normalize(In.ToView);
    float NdotL = dot(N, L);
    float lit = saturate(0.75 * NdotL + 0.25);
    float3 H = normalize(L + V);
    float spec = NdotL > 0 ? pow(saturate(dot(N, H)), specularPower) : 0;
    return float2(lit, spec);
}

PS_OUTPUT Output(float3 rgb, float alpha, float depth)
{
    PS_OUTPUT Out;
    Out.Colour = float4(rgb, alpha);
    float blur = saturate(abs(depth - focalDist) * focalRange);
    Out.Blur = float4(blur, depth, 0, alpha);
    return Out;
}

float3 Highlight(float spec)
{
    return mtrlSpecular.rgb * globalLight * spec;
}

float3 WallColour(VS_OUTPUT In)
{
    float2 light = Light(In);
    float3 tex = tex2D(TextureSampler, In.Tex).rgb;
    return tex * (mtrlAmbient.rgb + globalLight * light.x) +
           mtrlDiffuse.rgb * globalLight * light.x + Highlight(light.y);
}

PS_OUTPUT PSTex(VS_OUTPUT In)
{
    float2 light = Light(In);
    float3 tex = tex2D(TextureSampler, In.Tex).rgb;
    float3 rgb = tex * (mtrlAmbient.rgb + globalLight * light.x * mtrlDiffuse.rgb) +
                 Highlight(light.y);
    return Output(rgb, 1.0, In.Depth);
}

PS_OUTPUT PSTexWall(VS_OUTPUT In)
{
    return Output(WallColour(In), 1.0, In.Depth);
}

PS_OUTPUT PSAlphaTex(VS_OUTPUT In)
{
    float2 light = Light(In);
    float4 tex = tex2D(TextureSampler, In.Tex);
    float3 rgb = tex.rgb * (mtrlAmbient.rgb + globalLight * light.x * mtrlDiffuse.rgb);
    return Output(rgb, tex.a * mtrlDiffuse.a, In.Depth);
}

PS_OUTPUT PSNoTex(VS_OUTPUT In)
{
    float2 light = Light(In);
    float3 rgb = mtrlAmbient.rgb + globalLight * light.x * mtrlDiffuse.rgb + Highlight(light.y);
    return Output(rgb, 1.0, In.Depth);
}

PS_OUTPUT PSTexFog(VS_OUTPUT In)
{
    float distance = length(In.ToView);
    float fog = saturate((fogEnd - distance) / (fogEnd - fogStart));
    return Output(WallColour(In) * fog, 1.0, In.Depth);
}

technique ObjTex
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSTextured();
        PixelShader = compile ps_3_0 PSTex();
        CullMode = None;
    }
}

technique ObjTexWall
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSTextured();
        PixelShader = compile ps_3_0 PSTexWall();
        CullMode = None;
    }
}

technique ObjAlphaTex
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSTextured();
        PixelShader = compile ps_3_0 PSAlphaTex();
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        ZWriteEnable = false;
        CullMode = None;
    }
}

technique ObjNoTex
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSPlain();
        PixelShader = compile ps_3_0 PSNoTex();
        CullMode = None;
    }
}

technique ObjTexFog
{
    pass P0
    {
        VertexShader = compile vs_3_0 VSTextured();
        PixelShader = compile ps_3_0 PSTexFog();
    }
}

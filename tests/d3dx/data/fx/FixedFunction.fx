// expect: draws
// A material for cards without shaders: the fixed-function pipeline set up entirely by
// states, with the effect's own light, material and transforms.
float4x4 matWorld : WORLD;
float4x4 matView : VIEW;
float4x4 matProj : PROJECTION;

float4 MaterialDiffuse : DIFFUSE = {0.9f, 0.6f, 0.3f, 1.0f};
float4 MaterialSpecular : SPECULAR = {1.0f, 1.0f, 1.0f, 1.0f};
float MaterialPower : SPECULARPOWER = 32.0f;
float3 LightDirection : DIRECTION = {0.3f, -0.4f, 0.8f};
texture DiffuseMap;

technique FixedFunctionLit
{
    pass P0
    {
        WorldTransform[0] = <matWorld>;
        ViewTransform = <matView>;
        ProjectionTransform = <matProj>;

        Lighting = TRUE;
        SpecularEnable = TRUE;
        NormalizeNormals = TRUE;
        LightEnable[0] = TRUE;
        LightType[0] = DIRECTIONAL;
        LightDiffuse[0] = {1.0f, 1.0f, 1.0f, 1.0f};
        LightSpecular[0] = {1.0f, 1.0f, 1.0f, 1.0f};
        LightAmbient[0] = {0.2f, 0.2f, 0.2f, 1.0f};
        LightDirection[0] = <LightDirection>;

        MaterialDiffuse = <MaterialDiffuse>;
        MaterialAmbient = <MaterialDiffuse>;
        MaterialSpecular = <MaterialSpecular>;
        MaterialPower = <MaterialPower>;
        MaterialEmissive = {0, 0, 0, 0};

        Texture[0] = <DiffuseMap>;
        ColorOp[0] = MODULATE;
        ColorArg1[0] = TEXTURE;
        ColorArg2[0] = DIFFUSE;
        AlphaOp[0] = SELECTARG2;
        AlphaArg2[0] = DIFFUSE;
        ColorOp[1] = DISABLE;
        AlphaOp[1] = DISABLE;
        MinFilter[0] = LINEAR;
        MagFilter[0] = LINEAR;
        MipFilter[0] = LINEAR;
        TexCoordIndex[0] = 0;
        TextureTransformFlags[0] = DISABLE;

        VertexShader = NULL;
        PixelShader = NULL;
    }
}

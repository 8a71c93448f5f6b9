// expect: draws
//
// Skinned mesh: matrix palette skinning with 1 to 4 bones per vertex. The host sets
// CurNumBones to the bone count of the subset it draws; the pass picks the matching vertex
// shader from the array.
//
#define MATRIX_PALETTE_SIZE_DEFAULT 26

static const int MAX_MATRICES = MATRIX_PALETTE_SIZE_DEFAULT;
float4x3 mWorldMatrixArray[MAX_MATRICES] : WORLDMATRIXARRAY;
float4x4 mViewProj : VIEWPROJECTION;

float3 lhtDir = {0.0f, 0.0f, -1.0f};    // light direction
float4 lightDiffuse = {0.6f, 0.6f, 0.6f, 1.0f};
float4 MaterialAmbient : MATERIALAMBIENT = {0.1f, 0.1f, 0.1f, 1.0f};
float4 MaterialDiffuse : MATERIALDIFFUSE = {0.8f, 0.8f, 0.8f, 1.0f};

int CurNumBones = 2;

struct VS_INPUT
{
    float4 Pos : POSITION;
    float4 BlendWeights : BLENDWEIGHT;
    float4 BlendIndices : BLENDINDICES;
    float3 Normal : NORMAL;
    float3 Tex0 : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float4 Diffuse : COLOR;
    float2 Tex0 : TEXCOORD0;
};

float3 Diffuse(float3 Normal)
{
    float CosTheta = max(0.0f, dot(Normal, lhtDir.xyz));
    return (CosTheta);
}

VS_OUTPUT VShade(VS_INPUT i, uniform int NumBones)
{
    VS_OUTPUT o;
    float3 Pos = 0.0f;
    float3 Normal = 0.0f;
    float LastWeight = 0.0f;

    // Compensate for lack of UBYTE4 on Geforce3
    int4 IndexVector = D3DCOLORtoUBYTE4(i.BlendIndices);

    float BlendWeightsArray[4] = (float[4])i.BlendWeights;
    int IndexArray[4] = (int[4])IndexVector;

    for (int iBone = 0; iBone < NumBones - 1; iBone++)
    {
        LastWeight = LastWeight + BlendWeightsArray[iBone];
        Pos += mul(i.Pos, mWorldMatrixArray[IndexArray[iBone]]) * BlendWeightsArray[iBone];
        Normal += mul(i.Normal, (float3x3)mWorldMatrixArray[IndexArray[iBone]]) * BlendWeightsArray[iBone];
    }
    LastWeight = 1.0f - LastWeight;

    Pos += (mul(i.Pos, mWorldMatrixArray[IndexArray[NumBones - 1]]) * LastWeight);
    Normal += (mul(i.Normal, (float3x3)mWorldMatrixArray[IndexArray[NumBones - 1]]) * LastWeight);

    o.Pos = mul(float4(Pos.xyz, 1.0f), mViewProj);
    Normal = normalize(Normal);
    o.Diffuse.xyz = MaterialAmbient.xyz + Diffuse(Normal) * MaterialDiffuse.xyz;
    o.Diffuse.w = 1.0f;
    o.Tex0 = i.Tex0.xy;
    return o;
}

VertexShader vsArray20[4] = { compile vs_2_0 VShade(1),
                              compile vs_2_0 VShade(2),
                              compile vs_2_0 VShade(3),
                              compile vs_2_0 VShade(4) };

technique t0
{
    pass p0
    {
        VertexShader = (vsArray20[CurNumBones]);
    }
}

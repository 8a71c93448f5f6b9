#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTempDir.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{
const char* const s_pParameters = R"(
float4x4 WorldVP : WORLDVIEWPROJECTION;
float Time < string UIName = "time"; float UIMax = 10; > = 1.5;
float du;
float2 Offsets[2] = { -1, 0, 1, 0 };
float2 Texels[2] < string ConvertPixelsToTexels = "Offsets"; >;
float4 Taps[3];
string Note = "hello";
texture Tex;
sampler S = sampler_state { Texture = <Tex>; };
float4 VS(float4 p : POSITION) : POSITION { return mul(p, WorldVP) + Taps[2] * Time + du; }
float4 PS() : COLOR { return float4(Texels[0] + Texels[1], 0, 1) + tex2D(S, float2(0, 0)); }
technique First < string Kind = "main"; > { pass One < int Order = 1; > { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
technique Second { pass { PixelShader = compile ps_2_0 PS(); } pass { } }
)";

class EffectApiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device);
        std::string sErrors;
        m_pEffect = OrvMakeEffect(m_device.Get(), s_pParameters, &sErrors);
        ASSERT_NE(m_pEffect, nullptr) << sErrors;
    }
    void TearDown() override { m_pEffect.Reset(); }
    COrvTestDevice m_device;
    COrvComPtr<ID3DXEffect> m_pEffect;
};
} // namespace

TEST_F(EffectApiTest, ParametersByIndexNameAndDescription)
{
    D3DXHANDLE hTime = m_pEffect->GetParameterByName(nullptr, "Time");
    ASSERT_NE(hTime, nullptr);
    EXPECT_EQ(m_pEffect->GetParameter(nullptr, 1), hTime);
    EXPECT_EQ(m_pEffect->GetParameter(nullptr, 100), nullptr);
    EXPECT_EQ(m_pEffect->GetParameterByName(nullptr, "Nothing"), nullptr);
    EXPECT_EQ(m_pEffect->GetParameterBySemantic(nullptr, "WorldViewProjection"),
              m_pEffect->GetParameter(nullptr, 0));
    D3DXPARAMETER_DESC desc;
    ASSERT_EQ(m_pEffect->GetParameterDesc(hTime, &desc), S_OK);
    EXPECT_STREQ(desc.Name, "Time");
    EXPECT_EQ(desc.Class, D3DXPC_SCALAR);
    EXPECT_EQ(desc.Type, D3DXPT_FLOAT);
    EXPECT_EQ(desc.Annotations, 2u);
    ASSERT_EQ(m_pEffect->GetParameterDesc("Offsets", &desc), S_OK);
    EXPECT_EQ(desc.Elements, 2u);
    EXPECT_EQ(desc.Bytes, 16u);
    ASSERT_EQ(m_pEffect->GetParameterDesc("WorldVP", &desc), S_OK);
    EXPECT_STREQ(desc.Semantic, "WORLDVIEWPROJECTION");
    EXPECT_EQ(desc.Rows, 4u);
    EXPECT_EQ(desc.Columns, 4u);
    // Every parameter can be walked until there is none, as the post-process layer does.
    UINT uCount = 0;
    while (m_pEffect->GetParameter(nullptr, uCount))
        ++uCount;
    EXPECT_EQ(uCount, 9u);
}

TEST_F(EffectApiTest, ValuesKeepTheirTypesAndMissingParametersDoNothing)
{
    float f = 0;
    ASSERT_EQ(m_pEffect->GetFloat("Time", &f), S_OK);
    EXPECT_FLOAT_EQ(f, 1.5f);
    EXPECT_EQ(m_pEffect->SetFloat("Time", 2.5f), S_OK);
    m_pEffect->GetFloat("Time", &f);
    EXPECT_FLOAT_EQ(f, 2.5f);
    EXPECT_TRUE(FAILED(m_pEffect->SetFloat("NoSuchParameter", 1.0f)));
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    EXPECT_TRUE(FAILED(m_pEffect->SetMatrix("tWVP", &m)));
    EXPECT_TRUE(FAILED(m_pEffect->SetTexture("Tex1", nullptr)));
    EXPECT_TRUE(FAILED(m_pEffect->SetFloat(nullptr, 1.0f)));

    m._41 = 7.0f;
    ASSERT_EQ(m_pEffect->SetMatrix("WorldVP", &m), S_OK);
    D3DXMATRIX back;
    m_pEffect->GetMatrix("WorldVP", &back);
    EXPECT_EQ(back._41, 7.0f);
    const float afArray[3] = {0.25f, 0.5f, 0.75f};
    m_pEffect->SetFloatArray("Time", afArray, 3);
    m_pEffect->GetFloat("Time", &f);
    EXPECT_FLOAT_EQ(f, 0.25f) << "extra values are ignored";

    D3DXVECTOR4 aTaps[3] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    ASSERT_EQ(m_pEffect->SetVectorArray("Taps", aTaps, 3), S_OK);
    D3DXVECTOR4 aRead[4];
    ASSERT_EQ(m_pEffect->GetVectorArray("Taps", aRead, 3), S_OK);
    EXPECT_EQ(aRead[2].z, 11.0f);
    D3DXVECTOR4 v(1, 2, 3, 4);
    m_pEffect->SetVector("Time", &v);
    m_pEffect->GetFloat("Time", &f);
    EXPECT_FLOAT_EQ(f, 1.0f);

    LPCSTR pNote = nullptr;
    ASSERT_EQ(m_pEffect->GetString("Note", &pNote), S_OK);
    EXPECT_STREQ(pNote, "hello");
    EXPECT_TRUE(FAILED(m_pEffect->GetString("Time", &pNote)));
}

// The pixels-to-texels step of the post-process layers, through the effect calls they use.
TEST_F(EffectApiTest, AnnotatedOffsetsBecomeTexelOffsets)
{
    const float w = 640, h = 480;
    for (UINT i = 0; D3DXHANDLE hParameter = m_pEffect->GetParameter(nullptr, i); ++i)
    {
        D3DXHANDLE hAnnotation =
            m_pEffect->GetAnnotationByName(hParameter, "ConvertPixelsToTexels");
        LPCSTR pSource = nullptr;
        if (!hAnnotation || FAILED(m_pEffect->GetString(hAnnotation, &pSource)))
            continue;
        D3DXHANDLE hSource = m_pEffect->GetParameterByName(nullptr, pSource);
        ASSERT_NE(hSource, nullptr);
        D3DXPARAMETER_DESC desc;
        m_pEffect->GetParameterDesc(hSource, &desc);
        UINT n = desc.Bytes / 8;
        ASSERT_EQ(n, 2u);
        D3DXVECTOR4 aOffsets[2];
        ASSERT_EQ(m_pEffect->GetVectorArray(hSource, aOffsets, n), S_OK);
        for (D3DXVECTOR4& offset : aOffsets)
            offset = D3DXVECTOR4((offset.x + 0.5f) / w, (offset.y + 0.5f) / h, 0, 0);
        ASSERT_EQ(m_pEffect->SetVectorArray(hParameter, aOffsets, n), S_OK);
    }
    float afTexels[4];
    ASSERT_EQ(m_pEffect->GetFloatArray("Texels", afTexels, 4), S_OK);
    EXPECT_FLOAT_EQ(afTexels[0], -0.5f / 640);
    EXPECT_FLOAT_EQ(afTexels[1], 0.5f / 480);
    EXPECT_FLOAT_EQ(afTexels[2], 1.5f / 640);
    EXPECT_FLOAT_EQ(afTexels[3], 0.5f / 480);
}

TEST_F(EffectApiTest, AnnotationsOfParametersTechniquesAndPasses)
{
    D3DXHANDLE hName = m_pEffect->GetAnnotationByName("Time", "UIName");
    LPCSTR pText = nullptr;
    ASSERT_EQ(m_pEffect->GetString(hName, &pText), S_OK);
    EXPECT_STREQ(pText, "time");
    float fMax = 0;
    ASSERT_EQ(m_pEffect->GetFloat(m_pEffect->GetAnnotation("Time", 1), &fMax), S_OK);
    EXPECT_EQ(fMax, 10.0f);
    D3DXPARAMETER_DESC desc;
    ASSERT_EQ(m_pEffect->GetParameterDesc(hName, &desc), S_OK);
    EXPECT_EQ(desc.Type, D3DXPT_STRING);
    D3DXHANDLE hFirst = m_pEffect->GetTechniqueByName("First");
    ASSERT_EQ(m_pEffect->GetString(m_pEffect->GetAnnotationByName(hFirst, "Kind"), &pText), S_OK);
    EXPECT_STREQ(pText, "main");
    INT iOrder = 0;
    EXPECT_EQ(m_pEffect->GetInt(
                  m_pEffect->GetAnnotationByName(m_pEffect->GetPass(hFirst, 0), "Order"), &iOrder),
              S_OK);
    EXPECT_EQ(iOrder, 1);
    EXPECT_EQ(m_pEffect->GetAnnotationByName("Time", "Missing"), nullptr);
    EXPECT_EQ(m_pEffect->GetAnnotationByName("NoParameter", "UIName"), nullptr);
}

TEST_F(EffectApiTest, TechniquesByHandleAndNameAndTheirPasses)
{
    D3DXHANDLE hTechnique = nullptr;
    ASSERT_EQ(m_pEffect->FindNextValidTechnique(nullptr, &hTechnique), S_OK);
    EXPECT_EQ(hTechnique, m_pEffect->GetTechniqueByName("First"));
    D3DXHANDLE hNext = nullptr;
    m_pEffect->FindNextValidTechnique(hTechnique, &hNext);
    EXPECT_EQ(hNext, m_pEffect->GetTechnique(1));
    m_pEffect->FindNextValidTechnique(hNext, &hNext);
    EXPECT_EQ(hNext, nullptr);
    EXPECT_EQ(m_pEffect->SetTechnique(hTechnique), S_OK);
    EXPECT_EQ(m_pEffect->SetTechnique("Second"), S_OK);
    EXPECT_EQ(m_pEffect->GetCurrentTechnique(), m_pEffect->GetTechnique(1));
    EXPECT_TRUE(FAILED(m_pEffect->SetTechnique("PostProcess")));
    EXPECT_EQ(m_pEffect->GetCurrentTechnique(), m_pEffect->GetTechnique(1)) << "unchanged";
    D3DXTECHNIQUE_DESC desc;
    ASSERT_EQ(m_pEffect->GetTechniqueDesc("Second", &desc), S_OK);
    EXPECT_EQ(desc.Passes, 2u);
    // Passes without shaders use the fixed-function stages and still draw.
    UINT uPasses = 0;
    ASSERT_EQ(m_pEffect->Begin(&uPasses, 0), S_OK);
    EXPECT_TRUE(FAILED(m_pEffect->Begin(&uPasses, 0)));
    EXPECT_TRUE(FAILED(m_pEffect->BeginPass(2)));
    for (UINT p = 0; p < uPasses; ++p)
    {
        ASSERT_EQ(m_pEffect->BeginPass(p), S_OK);
        EXPECT_EQ(m_pEffect->CommitChanges(), S_OK);
        OrvDrawFullScreen(m_device.Get());
        EXPECT_EQ(m_pEffect->EndPass(), S_OK);
    }
    EXPECT_EQ(m_pEffect->End(), S_OK);
    EXPECT_TRUE(FAILED(m_pEffect->End()));
}

TEST(EffectCreation, BrokenEffectsFailWithFileLineAndText)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    std::string sErrors;
    EXPECT_EQ(OrvMakeEffect(device.Get(),
                            "float4 PS() : COLOR\n{\n  return undefinedColor;\n}\n"
                            "technique T { pass { PixelShader = compile ps_2_0 PS(); } }",
                            &sErrors),
              nullptr);
    EXPECT_NE(sErrors.find("memory(3): error:"), std::string::npos) << sErrors;
    EXPECT_NE(sErrors.find("undefinedColor"), std::string::npos) << sErrors;

    EXPECT_EQ(OrvMakeEffect(device.Get(), "float4 c = ;\n", &sErrors), nullptr);
    EXPECT_NE(sErrors.find("memory(1): error:"), std::string::npos) << sErrors;

    // From a file, with the file's name in the messages; a missing file fails too.
    std::string sFile = testing::TempDir() + "broken.fx";
    std::ofstream(sFile)
        << "technique T\n{\n  pass { VertexShader = compile vs_2_0 Missing(); }\n}\n";
    COrvComPtr<ID3DXEffect> pEffect;
    COrvComPtr<ID3DXBuffer> pBuffer;
    EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileA(device.Get(), sFile.c_str(), nullptr, nullptr, 0,
                                                 nullptr, pEffect.ReleaseAndGetAddressOf(),
                                                 pBuffer.ReleaseAndGetAddressOf())));
    EXPECT_EQ(pEffect, nullptr);
    ASSERT_NE(pBuffer, nullptr);
    std::string sMessage = static_cast<const char*>(pBuffer->GetBufferPointer());
    EXPECT_NE(sMessage.find(sFile + "("), std::string::npos) << sMessage;
    pBuffer.Reset();
    std::remove(sFile.c_str());
    EXPECT_TRUE(
        FAILED(D3DXCreateEffectFromFileA(device.Get(), "no_such_file.fx", nullptr, nullptr, 0,
                                         nullptr, pEffect.ReleaseAndGetAddressOf(), nullptr)));
    EXPECT_EQ(pEffect, nullptr);
    EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileA(nullptr, "x.fx", nullptr, nullptr, 0, nullptr,
                                                 pEffect.ReleaseAndGetAddressOf(), nullptr)));
}

TEST(EffectCreation, SuccessGivesNoMessageBufferAndMacrosApply)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const char* pSource = "float4 PS() : COLOR { return COLOUR; }\n"
                          "technique T { pass { PixelShader = compile ps_2_0 PS(); } }";
    const D3DXMACRO aMacros[] = {{"COLOUR", "float4(1, 0, 0, 1)"}, {nullptr, nullptr}};
    COrvComPtr<ID3DXEffect> pEffect;
    ID3DXBuffer* pBuffer = reinterpret_cast<ID3DXBuffer*>(1);
    ASSERT_EQ(D3DXCreateEffect(device.Get(), pSource, UINT(std::strlen(pSource)), aMacros, nullptr,
                               0, nullptr, pEffect.ReleaseAndGetAddressOf(), &pBuffer),
              S_OK);
    EXPECT_EQ(pBuffer, nullptr);
}

// The host's include handler gives the headers, from memory as from a file's folder.
TEST(EffectCreation, TheHostsIncludeHandlerGivesTheHeaders)
{
    struct CHeaders : ID3DXInclude
    {
        HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR pName, LPCVOID, LPCVOID* ppData,
                     UINT* pBytes) override
        {
            static const char s_szHeader[] = "#define COLOUR float4(0, 1, 0, 1)\n";
            if (std::strcmp(pName, "colour.fxh") != 0)
                return E_FAIL;
            *ppData = s_szHeader;
            *pBytes = UINT(sizeof s_szHeader - 1);
            ++m_iOpened;
            return S_OK;
        }
        HRESULT Close(LPCVOID) override
        {
            ++m_iClosed;
            return S_OK;
        }
        int m_iOpened = 0, m_iClosed = 0;
    } headers;
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const std::string sSource = "#include \"colour.fxh\"\nfloat4 PS() : COLOR { return COLOUR; }\n"
                                "technique T { pass { PixelShader = compile ps_2_0 PS(); } }";
    COrvComPtr<ID3DXEffect> pEffect;
    ASSERT_EQ(D3DXCreateEffect(device.Get(), sSource.data(), UINT(sSource.size()), nullptr,
                               &headers, 0, nullptr, pEffect.ReleaseAndGetAddressOf(), nullptr),
              S_OK);
    pEffect.Reset();
    COrvTempDir folder("include");
    OrvWriteFile(folder.File("lit.fx"), sSource);
    ASSERT_EQ(D3DXCreateEffectFromFileA(device.Get(), folder.File("lit.fx").c_str(), nullptr,
                                        &headers, 0, nullptr, pEffect.ReleaseAndGetAddressOf(),
                                        nullptr),
              S_OK);
    pEffect.Reset();
    EXPECT_EQ(headers.m_iOpened, 2);
    EXPECT_EQ(headers.m_iClosed, 2);
    // Without the handler the header is looked for on disk, and is not there.
    COrvComPtr<ID3DXBuffer> pErrors;
    EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileA(
        device.Get(), folder.File("lit.fx").c_str(), nullptr, nullptr, 0, nullptr,
        pEffect.ReleaseAndGetAddressOf(), pErrors.ReleaseAndGetAddressOf())));
    ASSERT_NE(pErrors, nullptr);
    std::string sMessage = static_cast<const char*>(pErrors->GetBufferPointer());
    EXPECT_NE(
        sMessage.find(folder.File("lit.fx") + "(1): error: cannot open include file 'colour.fxh'"),
        std::string::npos)
        << sMessage;
}

// Broken code on which glslang's HLSL front end crashes fails creation with a message, and
// the program goes on.
TEST(EffectCreation, ACompilerCrashIsAnError)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    std::string sErrors;
    EXPECT_EQ(OrvMakeEffect(device.Get(),
                            "\nfloat4 PS() : COLOR { return float4(frac++(1.0).xxx, 1); }\n"
                            "technique T { pass { PixelShader = compile ps_2_0 PS(); } }\n",
                            &sErrors),
              nullptr);
    EXPECT_NE(sErrors.find("memory(3): error: the shader compiler crashed"), std::string::npos)
        << sErrors;
    COrvComPtr<ID3DXEffect> pEffect =
        OrvMakeEffect(device.Get(),
                      "float4 PS() : COLOR { return 1; }\n"
                      "technique T { pass { PixelShader = compile ps_2_0 PS(); } }",
                      &sErrors);
    EXPECT_NE(pEffect, nullptr) << sErrors;
}

// Every example of the effect-file documentation compiles and runs as written.
TEST(EffectCreation, DocumentedExamplesCompile)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    std::ifstream file(std::string(ORV_SOURCE_ROOT) + "/docs/effects.md");
    std::stringstream text;
    text << file.rdbuf();
    std::string sDoc = text.str();
    int iExamples = 0;
    for (size_t uStart = sDoc.find("```hlsl\n"); uStart != std::string::npos;
         uStart = sDoc.find("```hlsl\n", uStart))
    {
        uStart += 8;
        std::string sSource = sDoc.substr(uStart, sDoc.find("```", uStart) - uStart);
        SCOPED_TRACE(sSource.substr(0, sSource.find('\n')));
        std::string sErrors;
        COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(device.Get(), sSource, &sErrors);
        ASSERT_NE(pEffect, nullptr) << sErrors;
        ++iExamples;
        for (D3DXHANDLE hTechnique = nullptr;
             SUCCEEDED(pEffect->FindNextValidTechnique(hTechnique, &hTechnique)) && hTechnique;)
        {
            pEffect->SetTechnique(hTechnique);
            OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(device.Get()); });
        }
        D3DXTECHNIQUE_DESC desc;
        if (SUCCEEDED(pEffect->GetTechniqueDesc("Glow", &desc)))
        {
            EXPECT_EQ(desc.Passes, 2u);
            EXPECT_EQ(pEffect->GetParameterBySemantic(nullptr, "TIME"),
                      pEffect->GetParameterByName(nullptr, "Time"));
        }
    }
    EXPECT_GE(iExamples, 4);
}

// Constructs demo effects use: depth-of-field taps, 4x3 matrices, two render targets, VPOS,
// tex2Dlod/bias/proj, clip, ddx, static tables and unrolled loops.
TEST(EffectCreation, CommonDemoConstructsCompile)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const char* pSource = R"FX(float4x4 matWorldViewProj;
float4x3 Bones[2];
float4 filterTaps[12];
float maxCoC = 4.5;
float4 viewportScale;
float4 viewportBias;
texture tSceneColor;
texture tBlurDepth;
sampler SceneColorSampler = sampler_state { texture = <tSceneColor>; MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NONE; AddressU = CLAMP; AddressV = CLAMP; };
sampler BlurDepthSampler = sampler_state { texture = <tBlurDepth>; MinFilter = POINT; };
static const float2 poisson[4] = { {0.1, 0.2}, {-0.3, 0.1}, {0.2, -0.4}, {-0.1, -0.1} };
struct VS_OUTPUT { float4 vPos : POSITION; float2 vTex : TEXCOORD0; float fDepth : TEXCOORD1; };
VS_OUTPUT FilterVS(float4 pos : POSITION, float2 tex : TEXCOORD0)
{
    VS_OUTPUT o;
    o.vPos = pos * viewportScale + viewportBias;
    o.vTex = tex;
    o.fDepth = mul(float4(pos.xyz, 1), Bones[0]).x;
    return o;
}
struct PS_OUT { half4 color : COLOR0; half4 blur : COLOR1; };
PS_OUT ScenePS(VS_OUTPUT i, float2 vpos : VPOS)
{
    PS_OUT o;
    half4 c = tex2Dlod(SceneColorSampler, float4(i.vTex, 0, 0));
    c += tex2Dbias(SceneColorSampler, float4(i.vTex, 0, 1));
    c += tex2Dproj(SceneColorSampler, float4(i.vTex, 0, 1));
    clip(c.a - 0.01);
    [unroll] for (int k = 0; k < 4; k++)
        c += tex2D(SceneColorSampler, i.vTex + poisson[k] * ddx(i.vTex.x));
    o.color = c * (vpos.x > 3 ? 1 : 0.5);
    o.blur = half4(i.fDepth, 0, 0, 1);
    return o;
}
float4 FilterDoFPS(float2 tex : TEXCOORD0) : COLOR
{
    float4 colorSum = tex2D(SceneColorSampler, tex);
    float totalContribution = 1.0f;
    float2 centerDepthBlur = tex2D(BlurDepthSampler, tex);
    float sizeCoC = centerDepthBlur.y * maxCoC;
    for (int i = 0; i < 12; i++)
    {
        float2 tapCoord = tex + filterTaps[i] * sizeCoC;
        float4 tapColor = tex2D(SceneColorSampler, tapCoord);
        float2 tapDepthBlur = tex2D(BlurDepthSampler, tapCoord);
        float tapContribution = (tapDepthBlur.x > centerDepthBlur.x) ? 1.0f : tapDepthBlur.y;
        colorSum += tapColor * tapContribution;
        totalContribution += tapContribution;
    }
    return colorSum / totalContribution;
}
technique FilterDoF { pass P0 { VertexShader = compile vs_2_0 FilterVS(); PixelShader = compile ps_2_0 FilterDoFPS(); } }
technique Scene { pass P0 { VertexShader = compile vs_3_0 FilterVS(); PixelShader = compile ps_3_0 ScenePS(); } }
)FX";
    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(device.Get(), pSource, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    for (const char* pTechnique : {"FilterDoF", "Scene"})
    {
        ASSERT_EQ(pEffect->SetTechnique(pTechnique), S_OK);
        OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(device.Get()); });
    }
}

// The shader compiler's optimizer once printed "Invalid opcode: 515" on standard error at the
// first effect of each process. A new process (the test's own program started afresh)
// creates an effect whose code no cache holds and must leave standard error empty; a shader
// that does not compile still reports there through the error buffer only.
TEST(EffectFirstCompile, LeavesStandardErrorEmpty)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            COrvTestDevice device;
            const std::string sSource =
                "float4 PS() : COLOR { return " + std::to_string(getpid() % 1000) +
                " / 1000.0; }\n"
                "technique T { pass { PixelShader = compile ps_2_0 PS(); } }";
            std::string sErrors;
            const bool bCreated = device && OrvMakeEffect(device.Get(), sSource, &sErrors);
            const bool bRefused = !OrvMakeEffect(device.Get(),
                                                 "float4 PS() : COLOR { return x; }"
                                                 "technique T { pass { PixelShader "
                                                 "= compile ps_2_0 PS(); } }",
                                                 &sErrors) &&
                                  sErrors.find("unknown variable") != std::string::npos;
            std::exit(bCreated && bRefused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^$");
}

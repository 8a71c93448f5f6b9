// libFuzzer target: any text given as an effect file goes through the preprocessor, the
// effect parser, the evaluation of its state values and the HLSL-to-GLSL translation of its
// first shaders, without a GL context, and either succeeds or says where it failed. Built with
// ORV_FUZZ=ON and run by scripts/fuzz.sh.

#include "FxParser.h"
#include "FxPreprocessor.h"
#include "FxStates.h"
#include "FxTranslator.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// Headers from memory, so that the run never depends on the disk: "common.fxh" exists.
class CMemoryInclude : public ID3DXInclude
{
public:
    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR pName, LPCVOID, LPCVOID* ppData, UINT* pBytes) override
    {
        static const char s_szCommon[] = "#define TAPS 4\nfloat4 Tint = {1, 1, 1, 1};\n"
                                         "float4 Shade(float4 c) { return c * Tint; }\n";
        if (std::strcmp(pName, "common.fxh") != 0)
            return E_FAIL;
        *ppData = s_szCommon;
        *pBytes = UINT(sizeof s_szCommon - 1);
        return S_OK;
    }
    HRESULT Close(LPCVOID) override { return S_OK; }
};

// Initial values of the parameters, for the expressions a pass evaluates when it begins.
class CInitialValues : public IOrvFxNameResolver
{
public:
    explicit CInitialValues(const SOrvFxFile& file) : m_file(file) {}
    bool Resolve(const std::string& sName, std::vector<double>& adValue,
                 size_t& uPerElement) const override
    {
        for (const SOrvFxParameter& parameter : m_file.m_aParameters)
            if (parameter.m_sName == sName && parameter.IsNumeric())
            {
                adValue.assign(parameter.m_afValue.begin(), parameter.m_afValue.end());
                uPerElement = parameter.m_uElements ? parameter.m_uRows * parameter.m_uColumns : 0;
                return true;
            }
        return false;
    }

private:
    const SOrvFxFile& m_file;
};

void RequireMessage(const std::string& sErrors)
{
    if (sErrors.find("): error: ") == std::string::npos)
        std::abort(); // a failure must say where and why
}

void EvaluatePassValues(const SOrvFxFile& file)
{
    CInitialValues values(file);
    for (const SOrvFxTechnique& technique : file.m_aTechniques)
        for (const SOrvFxPass& pass : technique.m_aPasses)
        {
            for (const SOrvFxState& state : pass.m_aStates)
            {
                std::vector<double> adValue;
                std::string sError;
                if (state.m_value.m_eKind == SOrvFxValue::Expression &&
                    OrvFxEvaluate(*state.m_value.m_pExpr, values, adValue, sError))
                    (void)OrvFxStateFromValues(OrvFxFindState(state.m_sName, false), adValue);
            }
            for (const SOrvFxShaderSlot* pSlot : {&pass.m_vertexShader, &pass.m_pixelShader})
            {
                std::vector<double> adIndex;
                std::string sError;
                if (pSlot->m_pIndex)
                    OrvFxEvaluate(*pSlot->m_pIndex, values, adIndex, sError);
                if (pSlot->m_pIndex && pSlot->m_aChoices.empty())
                    std::abort(); // an index needs something to choose from
            }
        }
}

// Translates the first few shaders: each takes milliseconds, the fuzzer wants many inputs.
void TranslateShaders(const SOrvFxFile& file)
{
    int iLeft = 3;
    for (const SOrvFxTechnique& technique : file.m_aTechniques)
        for (const SOrvFxPass& pass : technique.m_aPasses)
            for (const SOrvFxShaderSlot* pSlot : {&pass.m_vertexShader, &pass.m_pixelShader})
                for (const SOrvFxShader& shader : pSlot->m_aChoices)
                {
                    if (!shader.m_bPresent || iLeft-- <= 0)
                        continue;
                    SOrvGlslShader glsl;
                    std::string sErrors;
                    EOrvShaderStage eStage = pSlot == &pass.m_vertexShader ? EOrvShaderStage::Vertex
                                                                           : EOrvShaderStage::Pixel;
                    if (!COrvFxTranslator::Translate(file.m_sShaderSource, file.m_lines, shader,
                                                     eStage, glsl, sErrors))
                        RequireMessage(sErrors);
                    else if (glsl.m_sGlsl.find("void main()") == std::string::npos)
                        std::abort();
                }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    std::string sSource(reinterpret_cast<const char*>(pData), size);
    const D3DXMACRO aMacros[] = {{"QUALITY", "2"}, {"FUZZ", nullptr}, {nullptr, nullptr}};
    CMemoryInclude include;
    SOrvFxSource source;
    std::string sErrors;
    if (!COrvFxPreprocessor::Run(sSource, "fuzz.fx", aMacros, &include, source, sErrors))
    {
        RequireMessage(sErrors);
        return 0;
    }
    SOrvFxFile file;
    COrvFxParser parser;
    if (!parser.Parse(source, file, sErrors))
    {
        RequireMessage(sErrors);
        return 0;
    }
    for (const SOrvFxParameter& parameter : file.m_aParameters)
        if (parameter.HasValue() && parameter.m_afValue.size() != parameter.GetValueCount())
            std::abort(); // every value has room for the whole parameter
    EvaluatePassValues(file);
    TranslateShaders(file);
    return 0;
}

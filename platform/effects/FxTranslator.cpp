#include "FxTranslator.h"

#include "FxEntryWrapper.h"
#include "FxIsolation.h"

#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/libspirv.hpp>
#include <spirv_cross/spirv_cross_c.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>

namespace
{
// VPOS and VFACE stay ordinary inputs here: the pixel stage's adapters fill them in
// Direct3D's terms (AddStageAdapters). One-dimensional textures are two-dimensional ones of
// one row in Direct3D 9, and the host gives 2D textures: sampler1D reads row 0.5 of one.
// glslang turns texCUBEproj into a projective sample of a cube image, which SPIR-V does not
// have: the divide by w comes first here, as the lookup defines it (a negative w turns the
// direction round).
const char* const s_pPreamble =
    "#define POSITION SV_Position\n"
    "#define POSITION0 SV_Position\n"
    "#define texCUBEproj(s, t) texCUBE(s, (t).xyz / (t).w)\n"
    "#define sampler1D sampler2D\n"
    "#define tex1D(s, t) tex2D(s, float2(t, 0.5))\n"
    "#define tex1Dbias(s, t) tex2Dbias(s, float4((t).x, 0.5, 0.0, (t).w))\n"
    "#define tex1Dlod(s, t) tex2Dlod(s, float4((t).x, 0.5, 0.0, (t).w))\n"
    "#define tex1Dproj(s, t) tex2Dproj(s, float4((t).x, 0.5 * (t).w, 0.0, (t).w))\n"
    "#define tex1Dgrad(s, t, dx, dy) tex2Dgrad(s, float2(t, 0.5), float2(dx, 0.0), "
    "float2(dy, 0.0))\n";

// A pixel input that no stage writes: the pixel's position or the side of the primitive
// (POSITION written in other than capitals, which glslang takes for a semantic of one's own).
bool IsSystemInput(const std::string& sSemantic)
{
    return sSemantic == "VPOS0" || sSemantic == "VFACE0" || sSemantic == "POSITION0";
}

// Outputs that glslang leaves as ones of the author's when their semantic is not written in
// capitals ("Position", "Depth"): they are the GL built-ins all the same.
const char* SystemOutput(EOrvShaderStage eStage, const std::string& sSemantic)
{
    if (eStage == EOrvShaderStage::Vertex && sSemantic == "POSITION0")
        return "gl_Position";
    if (eStage == EOrvShaderStage::Pixel && sSemantic == "DEPTH0")
        return "gl_FragDepth";
    return nullptr;
}

void InitializeGlslang()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] { glslang::InitializeProcess(); });
}

std::string NormalizeSemantic(const char* pSemantic)
{
    std::string s = pSemantic ? pSemantic : "";
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    if (s.rfind("SV_", 0) == 0)
    {
        if (s == "SV_POSITION")
            s = "POSITION";
        else if (s.rfind("SV_TARGET", 0) == 0)
            s = "COLOR" + s.substr(9);
    }
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.back())))
        s += "0";
    return s;
}

// The name the preprocessed text goes by inside glslang; its messages are mapped back.
const char s_szTextName[] = "orv-effect";

bool CompileToSpirv(const std::string& sSource, const COrvFxLineMap& lines,
                    const SOrvFxShader& shader, EShLanguage eLanguage,
                    std::vector<unsigned int>& spirv, std::string& sErrors)
{
    InitializeGlslang();
    glslang::TShader glShader(eLanguage);
    const char* apStrings[] = {sSource.c_str()};
    const char* apNames[] = {s_szTextName};
    int aiLengths[] = {int(sSource.size())};
    glShader.setStringsWithLengthsAndNames(apStrings, aiLengths, apNames, 1);
    glShader.setPreamble(s_pPreamble);
    glShader.setEntryPoint(shader.m_sEntry.c_str());
    glShader.setEnvInput(glslang::EShSourceHlsl, eLanguage, glslang::EShClientOpenGL, 100);
    glShader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    glShader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    glShader.setEnvTargetHlslFunctionality1();
    glShader.setHlslIoMapping(true);
    glShader.setAutoMapBindings(true);
    glShader.setAutoMapLocations(true);
    auto eMessages = EShMessages(EShMsgSpvRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible |
                                 EShMsgHlslLegalization);
    if (!glShader.parse(GetDefaultResources(), 100, false, eMessages))
    {
        sErrors +=
            OrvFxFormatGlslangLog(glShader.getInfoLog(), s_szTextName, lines, shader.m_iLine);
        return false;
    }
    glslang::TProgram program;
    program.addShader(&glShader);
    if (!program.link(eMessages) || !program.mapIO())
    {
        sErrors += OrvFxFormatGlslangLog(program.getInfoLog(), s_szTextName, lines, shader.m_iLine);
        return false;
    }
    glslang::SpvOptions options;
    options.disableOptimizer = false; // runs the legalization passes HLSL needs
    // GlslangToSpv appends to the vector; its optimizer then reads the whole vector as one
    // module, and a module left there before makes it stop at the second header (printing
    // "Invalid opcode: 515", the magic number's low half, to standard error).
    spirv.clear();
    glslang::GlslangToSpv(*program.getIntermediate(eLanguage), spirv, &options);

    spvtools::SpirvTools tools(SPV_ENV_OPENGL_4_5);
    std::string sValidation;
    tools.SetMessageConsumer([&](spv_message_level_t, const char*, const spv_position_t&,
                                 const char* pMessage) { sValidation += pMessage; });
    if (!tools.Validate(spirv))
    {
        sErrors += lines.Where(shader.m_iLine) + ": error: entry point '" + shader.m_sEntry +
                   "' gives invalid code: " + sValidation + "\n";
        return false;
    }
    return true;
}

// Built-in symbol tables are made at glslang's first compile of each stage: made here once,
// before any child process, so that children inherit them instead of each making its own.
void WarmGlslang()
{
    static std::once_flag s_once;
    std::call_once(s_once,
                   []
                   {
                       SOrvFxShader shader;
                       shader.m_sEntry = "main";
                       std::vector<unsigned int> spirv;
                       std::string sErrors;
                       COrvFxLineMap lines("warm-up");
                       CompileToSpirv("float4 main(float4 p : POSITION) : POSITION { return p; }",
                                      lines, shader, EShLangVertex, spirv, sErrors);
                       CompileToSpirv("float4 main() : COLOR { return 0; }", lines, shader,
                                      EShLangFragment, spirv, sErrors);
                   });
}

// glslang runs in a child process (FxIsolation.h): a crash of its HLSL front end on broken
// code becomes a message. Its SPIR-V, or its messages, come back.
bool CompileIsolated(const std::string& sSource, const COrvFxLineMap& lines,
                     const SOrvFxShader& shader, EShLanguage eLanguage,
                     std::vector<unsigned int>& spirv, std::string& sErrors)
{
    WarmGlslang();
    auto work = [&]
    {
        std::vector<unsigned int> words;
        std::string sMessages;
        if (!CompileToSpirv(sSource, lines, shader, eLanguage, words, sMessages))
            return "0" + sMessages;
        return "1" + std::string(reinterpret_cast<const char*>(words.data()), words.size() * 4);
    };
    std::string sResult;
    std::string sFailure;
    if (!OrvRunIsolated(work, 60000, sResult, sFailure))
    {
        sErrors += lines.Where(shader.m_iLine) + ": error: the shader compiler " + sFailure +
                   " on entry point '" + shader.m_sEntry + "'\n";
        return false;
    }
    if (sResult.empty() || sResult[0] != '1')
    {
        sErrors += sResult.empty() ? std::string() : sResult.substr(1);
        return false;
    }
    spirv.resize((sResult.size() - 1) / 4);
    std::memcpy(spirv.data(), sResult.data() + 1, spirv.size() * 4);
    return true;
}

struct SContextDeleter
{
    void operator()(spvc_context context) const { spvc_context_destroy(context); }
};
using CContext = std::unique_ptr<spvc_context_s, SContextDeleter>;

std::string GlslTypeName(spvc_compiler compiler, spvc_type_id typeId)
{
    spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    unsigned uSize = spvc_type_get_vector_size(type);
    spvc_basetype eBase = spvc_type_get_basetype(type);
    std::string sPrefix = eBase == SPVC_BASETYPE_INT32    ? "i"
                          : eBase == SPVC_BASETYPE_UINT32 ? "u"
                                                          : "";
    if (uSize <= 1)
        return eBase == SPVC_BASETYPE_INT32    ? "int"
               : eBase == SPVC_BASETYPE_UINT32 ? "uint"
                                               : "float";
    return sPrefix + "vec" + std::to_string(uSize);
}

int AttributeLocation(const std::string& sSemantic);

class CCrossCompiler
{
public:
    bool Run(const std::vector<unsigned int>& spirv, EOrvShaderStage eStage, SOrvGlslShader& result,
             std::string& sError);

private:
    bool RenameInputsAndOutputs(EOrvShaderStage eStage, SOrvGlslShader& result,
                                std::string& sError);
    void RenameUniforms(EOrvShaderStage eStage, SOrvGlslShader& result);
    const spvc_reflected_resource* List(spvc_resource_type eType, size_t& uCount);

    spvc_compiler m_compiler = nullptr;
    spvc_resources m_resources = nullptr;
};

const spvc_reflected_resource* CCrossCompiler::List(spvc_resource_type eType, size_t& uCount)
{
    const spvc_reflected_resource* pList = nullptr;
    uCount = 0;
    spvc_resources_get_resource_list_for_type(m_resources, eType, &pList, &uCount);
    return pList;
}

bool CCrossCompiler::Run(const std::vector<unsigned int>& spirv, EOrvShaderStage eStage,
                         SOrvGlslShader& result, std::string& sError)
{
    spvc_context rawContext = nullptr;
    if (spvc_context_create(&rawContext) != SPVC_SUCCESS)
        return false;
    CContext context(rawContext);
    spvc_parsed_ir ir = nullptr;
    spvc_compiler_options options = nullptr;
    const char* pGlsl = nullptr;
    bool bOk =
        spvc_context_parse_spirv(rawContext, spirv.data(), spirv.size(), &ir) == SPVC_SUCCESS &&
        spvc_context_create_compiler(rawContext, SPVC_BACKEND_GLSL, ir,
                                     SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &m_compiler) == SPVC_SUCCESS &&
        spvc_compiler_create_compiler_options(m_compiler, &options) == SPVC_SUCCESS;
    if (bOk)
    {
        spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION,
                                       SPVC_FALSE);
        spvc_compiler_options_set_bool(
            options, SPVC_COMPILER_OPTION_GLSL_EMIT_UNIFORM_BUFFER_AS_PLAIN_UNIFORMS, SPVC_TRUE);
        spvc_compiler_install_compiler_options(m_compiler, options);
        bOk = spvc_compiler_create_shader_resources(m_compiler, &m_resources) == SPVC_SUCCESS;
    }
    if (bOk && !RenameInputsAndOutputs(eStage, result, sError))
        return false;
    if (bOk)
    {
        RenameUniforms(eStage, result);
        bOk = spvc_compiler_compile(m_compiler, &pGlsl) == SPVC_SUCCESS;
    }
    if (!bOk)
    {
        sError = spvc_context_get_last_error_string(rawContext);
        return false;
    }
    result.m_sGlsl = pGlsl;
    return true;
}

bool CCrossCompiler::RenameInputsAndOutputs(EOrvShaderStage eStage, SOrvGlslShader& result,
                                            std::string& sError)
{
    bool bVertex = eStage == EOrvShaderStage::Vertex;
    size_t uCount = 0;
    const spvc_reflected_resource* pInputs = List(SPVC_RESOURCE_TYPE_STAGE_INPUT, uCount);
    for (size_t i = 0; i < uCount; ++i)
    {
        SOrvShaderSignature signature;
        signature.m_sSemantic = NormalizeSemantic(spvc_compiler_get_decoration_string(
            m_compiler, pInputs[i].id, SpvDecorationUserSemantic));
        signature.m_sGlslType = GlslTypeName(m_compiler, pInputs[i].type_id);
        OrvSemanticToUsage(signature.m_sSemantic, signature.m_uUsage, signature.m_uUsageIndex);
        std::string sInternal = (bVertex ? "orv_a_" : "orv_i_") + signature.m_sSemantic;
        spvc_compiler_set_name(m_compiler, pInputs[i].id, sInternal.c_str());
        if (bVertex)
        {
            int iLocation = AttributeLocation(signature.m_sSemantic);
            if (iLocation < 0)
            {
                sError = "vertex input semantic " + signature.m_sSemantic + " is not supported";
                return false;
            }
            spvc_compiler_set_decoration(m_compiler, pInputs[i].id, SpvDecorationLocation,
                                         unsigned(iLocation));
            signature.m_sGlslName = sInternal;
        }
        else
        {
            spvc_compiler_unset_decoration(m_compiler, pInputs[i].id, SpvDecorationLocation);
            signature.m_sGlslName = IsSystemInput(signature.m_sSemantic)
                                        ? "orv_system_" + signature.m_sSemantic
                                        : OrvVaryingName(signature.m_sSemantic);
        }
        result.m_aInputs.push_back(signature);
    }
    const spvc_reflected_resource* pOutputs = List(SPVC_RESOURCE_TYPE_STAGE_OUTPUT, uCount);
    for (size_t i = 0; i < uCount; ++i)
    {
        SOrvShaderSignature signature;
        signature.m_sSemantic = NormalizeSemantic(spvc_compiler_get_decoration_string(
            m_compiler, pOutputs[i].id, SpvDecorationUserSemantic));
        signature.m_sGlslType = GlslTypeName(m_compiler, pOutputs[i].type_id);
        OrvSemanticToUsage(signature.m_sSemantic, signature.m_uUsage, signature.m_uUsageIndex);
        std::string sInternal = "orv_o_" + signature.m_sSemantic;
        spvc_compiler_set_name(m_compiler, pOutputs[i].id, sInternal.c_str());
        if (const char* pBuiltIn = SystemOutput(eStage, signature.m_sSemantic))
        {
            spvc_compiler_unset_decoration(m_compiler, pOutputs[i].id, SpvDecorationLocation);
            signature.m_sGlslName = pBuiltIn;
        }
        else if (bVertex)
        {
            spvc_compiler_unset_decoration(m_compiler, pOutputs[i].id, SpvDecorationLocation);
            signature.m_sGlslName = OrvVaryingName(signature.m_sSemantic);
        }
        else
        {
            spvc_compiler_set_decoration(m_compiler, pOutputs[i].id, SpvDecorationLocation,
                                         signature.m_uUsageIndex);
            signature.m_sGlslName = sInternal;
        }
        result.m_aOutputs.push_back(signature);
    }
    return true;
}

void CCrossCompiler::RenameUniforms(EOrvShaderStage eStage, SOrvGlslShader& result)
{
    const char* pBlock = eStage == EOrvShaderStage::Vertex ? "orv_vs" : "orv_ps";
    size_t uCount = 0;
    const spvc_reflected_resource* pBuffers = List(SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, uCount);
    for (size_t i = 0; i < uCount; ++i)
    {
        spvc_compiler_set_name(m_compiler, pBuffers[i].id, pBlock);
        spvc_compiler_set_name(m_compiler, pBuffers[i].base_type_id,
                               (std::string(pBlock) + "_globals").c_str());
    }
    const spvc_reflected_resource* pSamplers = List(SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, uCount);
    for (size_t i = 0; i < uCount; ++i)
    {
        result.m_asSamplers.push_back(pSamplers[i].name);
        spvc_compiler_set_name(m_compiler, pSamplers[i].id,
                               ("orv_s_" + std::string(pSamplers[i].name)).c_str());
    }
}

int ComponentCount(const std::string& sType)
{
    char cLast = sType.empty() ? '1' : sType.back();
    return (cLast >= '2' && cLast <= '4') ? cLast - '0' : 1;
}

// Widens a value of the author's type to the vec4 a varying carries.
std::string WidenToVec4(const std::string& sType, const std::string& sValue)
{
    static const char* const s_apPadding[] = {"", ", 0.0, 0.0, 1.0)", ", 0.0, 1.0)", ", 1.0)", ")"};
    return "vec4(" + sValue + s_apPadding[ComponentCount(sType)];
}

// Narrows a vec4 varying to the author's type.
std::string NarrowFromVec4(const std::string& sType, const std::string& sVarying)
{
    static const char* const s_apSwizzles[] = {"", ".x", ".xy", ".xyz", ""};
    return sType + "(" + sVarying + s_apSwizzles[ComponentCount(sType)] + ")";
}

// Turns "<qualifier> <type> <name>;" into a plain global.
void MakePlain(std::string& sGlsl, const char* pQualifier, const SOrvShaderSignature& io,
               const std::string& sInternal)
{
    std::string sDeclaration =
        std::string(pQualifier) + " " + io.m_sGlslType + " " + sInternal + ";";
    size_t uAt = sGlsl.find(sDeclaration);
    if (uAt != std::string::npos)
        sGlsl.replace(uAt, sDeclaration.size(), io.m_sGlslType + " " + sInternal + ";");
}

// Turns "<qualifier> <type> <name>;" into a plain global plus the vec4 varying.
bool AdaptDeclaration(std::string& sGlsl, const char* pQualifier, const SOrvShaderSignature& io,
                      const std::string& sInternal)
{
    std::string sDeclaration =
        std::string(pQualifier) + " " + io.m_sGlslType + " " + sInternal + ";";
    size_t uAt = sGlsl.find(sDeclaration);
    if (uAt == std::string::npos)
        return false;
    sGlsl.replace(uAt, sDeclaration.size(),
                  io.m_sGlslType + " " + sInternal + ";\n" + pQualifier + " vec4 " +
                      io.m_sGlslName + ";");
    return true;
}

bool AddStageAdapters(EOrvShaderStage eStage, SOrvGlslShader& result, std::string& sError)
{
    std::string& sGlsl = result.m_sGlsl;
    std::string sPrologue;
    std::string sEpilogue;
    if (eStage == EOrvShaderStage::Vertex)
    {
        for (const SOrvShaderSignature& output : result.m_aOutputs)
        {
            std::string sInternal = "orv_o_" + output.m_sSemantic;
            if (SystemOutput(eStage, output.m_sSemantic))
            {
                MakePlain(sGlsl, "out", output, sInternal);
                sEpilogue +=
                    "    gl_Position = " + WidenToVec4(output.m_sGlslType, sInternal) + ";\n";
                continue;
            }
            if (!AdaptDeclaration(sGlsl, "out", output, sInternal))
            {
                sError = "vertex output " + output.m_sSemantic + " cannot be passed on";
                return false;
            }
            sEpilogue += "    " + output.m_sGlslName + " = " +
                         WidenToVec4(output.m_sGlslType, sInternal) + ";\n";
        }
        // A fixed-function pixel stage may read any of the standard varyings.
        std::string sDeclarations;
        for (const char* pName :
             {"orv_Color0", "orv_Color1", "orv_TexCoord0", "orv_TexCoord1", "orv_TexCoord2",
              "orv_TexCoord3", "orv_TexCoord4", "orv_TexCoord5", "orv_TexCoord6", "orv_TexCoord7"})
        {
            if (std::any_of(result.m_aOutputs.begin(), result.m_aOutputs.end(),
                            [&](const SOrvShaderSignature& output)
                            { return output.m_sGlslName == pName; }))
                continue;
            bool bColor = std::strncmp(pName, "orv_Color", 9) == 0;
            sDeclarations += std::string("out vec4 ") + pName + ";\n";
            sEpilogue += std::string("    ") + pName +
                         (bColor ? " = vec4(1.0);\n" : " = vec4(0.0, 0.0, 0.0, 1.0);\n");
        }
        sEpilogue += "    gl_Position = orv_FixClip(gl_Position);\n";
        size_t uFirst = sGlsl.find("void main()");
        if (uFirst != std::string::npos)
            sGlsl.insert(uFirst, sDeclarations + "\n");
    }
    else
    {
        for (const SOrvShaderSignature& input : result.m_aInputs)
        {
            std::string sInternal = "orv_i_" + input.m_sSemantic;
            if (IsSystemInput(input.m_sSemantic))
            {
                // VPOS: pixel coordinates with the top-left pixel at (0, 0) (the device draws
                // Direct3D's top row at GL's bottom); VFACE: positive for the front side.
                MakePlain(sGlsl, "in", input, sInternal);
                std::string sValue =
                    input.m_sSemantic == "VPOS0"    ? "vec4(gl_FragCoord.xy - 0.5, 0.0, 0.0)"
                    : input.m_sSemantic == "VFACE0" ? "vec4(gl_FrontFacing ? 1.0 : -1.0)"
                                                    : "gl_FragCoord";
                sPrologue +=
                    "    " + sInternal + " = " + NarrowFromVec4(input.m_sGlslType, sValue) + ";\n";
                continue;
            }
            if (!AdaptDeclaration(sGlsl, "in", input, sInternal))
            {
                sError = "pixel input " + input.m_sSemantic + " cannot be received";
                return false;
            }
            sPrologue += "    " + sInternal + " = " +
                         NarrowFromVec4(input.m_sGlslType, input.m_sGlslName) + ";\n";
        }
        for (const SOrvShaderSignature& output : result.m_aOutputs)
        {
            if (output.m_sSemantic == "COLOR0" && output.m_sGlslType == "vec4")
                sEpilogue += "    orv_AlphaTest(orv_o_COLOR0.a);\n";
            if (SystemOutput(eStage, output.m_sSemantic))
            {
                MakePlain(sGlsl, "out", output, "orv_o_" + output.m_sSemantic);
                sEpilogue += "    gl_FragDepth = orv_o_" + output.m_sSemantic + ";\n";
            }
        }
    }
    // Sampler arrays indexed in loops that did not unroll need dynamically uniform indexing.
    for (size_t uAt = sGlsl.find("uniform sampler"); uAt != std::string::npos;
         uAt = sGlsl.find("uniform sampler", uAt + 1))
    {
        size_t uEnd = sGlsl.find(';', uAt);
        size_t uLine = sGlsl.find('\n');
        if (uEnd != std::string::npos && sGlsl[uEnd - 1] == ']' && uLine < uAt)
        {
            sGlsl.insert(uLine + 1, "#extension GL_ARB_gpu_shader5 : enable\n");
            break;
        }
    }
    const std::string sMain = "void main()\n{\n";
    size_t uMain = sGlsl.find(sMain);
    size_t uEnd = sGlsl.rfind('}');
    if (uMain == std::string::npos || uEnd == std::string::npos || uEnd < uMain)
    {
        sError = "no main function was generated";
        return false;
    }
    sGlsl.insert(uEnd, sEpilogue);
    sGlsl.insert(uMain + sMain.size(), sPrologue);
    return true;
}

int AttributeLocation(const std::string& sSemantic)
{
    static const struct
    {
        const char* m_pSemantic;
        int m_iLocation;
    } s_aLocations[] = {{"POSITION0", 0},      {"POSITIONT0", 0}, {"NORMAL0", 1},
                        {"COLOR0", 2},         {"COLOR1", 3},     {"PSIZE0", 12},
                        {"BLENDINDICES0", 12}, {"TANGENT0", 13},  {"BINORMAL0", 14},
                        {"BLENDWEIGHT0", 15}};
    for (const auto& entry : s_aLocations)
        if (sSemantic == entry.m_pSemantic)
            return entry.m_iLocation;
    if (sSemantic.rfind("TEXCOORD", 0) == 0 && sSemantic.size() == 9 && sSemantic[8] >= '0' &&
        sSemantic[8] <= '7')
        return 4 + (sSemantic[8] - '0');
    return -1;
}
} // namespace

std::string OrvVaryingName(const std::string& sSemantic)
{
    UINT uUsage = 0;
    UINT uIndex = 0;
    if (OrvSemanticToUsage(sSemantic, uUsage, uIndex))
    {
        if (uUsage == 10 && uIndex < 2) // COLOR
            return "orv_Color" + std::to_string(uIndex);
        if (uUsage == 5 && uIndex < 8) // TEXCOORD
            return "orv_TexCoord" + std::to_string(uIndex);
    }
    return "orv_v_" + sSemantic;
}

bool OrvSemanticToUsage(const std::string& sSemantic, UINT& uUsage, UINT& uIndex)
{
    static const char* const s_apUsages[] = {
        "POSITION", "BLENDWEIGHT", "BLENDINDICES", "NORMAL", "PSIZE", "TEXCOORD", "TANGENT",
        "BINORMAL", "TESSFACTOR",  "POSITIONT",    "COLOR",  "FOG",   "DEPTH",    "SAMPLE"};
    size_t uDigits = sSemantic.size();
    while (uDigits > 0 && std::isdigit(static_cast<unsigned char>(sSemantic[uDigits - 1])))
        --uDigits;
    std::string sName = sSemantic.substr(0, uDigits);
    uIndex = uDigits < sSemantic.size() ? UINT(std::atoi(sSemantic.c_str() + uDigits)) : 0;
    for (UINT i = 0; i < std::size(s_apUsages); ++i)
    {
        if (sName == s_apUsages[i])
        {
            uUsage = i;
            return true;
        }
    }
    uUsage = 0;
    return false;
}

namespace
{
// The text and entry point glslang compiles for a job (with a wrapper for compile arguments);
// false with the job's errors when there is nothing to compile.
bool PrepareJob(const std::string& sSource, const COrvFxLineMap& lines, SOrvFxTranslation& job,
                std::string& sText, SOrvFxShader& entry)
{
    const SOrvFxShader& shader = job.m_shader;
    job.m_result = SOrvGlslShader();
    job.m_result.m_eStage = job.m_eStage;
    const std::string& sProfile = shader.m_sProfile;
    const std::string sWhere = lines.Where(shader.m_iLine);
    bool bVertex = job.m_eStage == EOrvShaderStage::Vertex;
    if (!(bVertex ? sProfile.rfind("vs_", 0) == 0 : sProfile.rfind("ps_", 0) == 0))
    {
        job.m_sErrors += sWhere + ": error: profile '" + sProfile + "' does not fit the " +
                         (bVertex ? "vertex" : "pixel") + " shader\n";
        return false;
    }
    sText = sSource;
    entry = shader;
    std::string sError;
    if (!shader.m_asArguments.empty() && !OrvFxWrapEntry(sText, shader, entry.m_sEntry, sError))
    {
        job.m_sErrors += sWhere + ": error: " + sError + "\n";
        return false;
    }
    return true;
}

// SPIR-V to GLSL with the stage's adapters.
void FinishJob(const std::vector<unsigned int>& spirv, const COrvFxLineMap& lines,
               SOrvFxTranslation& job)
{
    const SOrvFxShader& shader = job.m_shader;
    CCrossCompiler cross;
    std::string sError;
    if (!cross.Run(spirv, job.m_eStage, job.m_result, sError))
        job.m_sErrors += lines.Where(shader.m_iLine) + ": error: entry point '" + shader.m_sEntry +
                         "' cannot be written as GLSL: " + sError + "\n";
    else if (!AddStageAdapters(job.m_eStage, job.m_result, sError))
        job.m_sErrors += lines.Where(shader.m_iLine) + ": error: entry point '" + shader.m_sEntry +
                         "': " + sError + "\n";
    else
        job.m_bOk = true;
}

EShLanguage LanguageOf(EOrvShaderStage eStage)
{
    return eStage == EOrvShaderStage::Vertex ? EShLangVertex : EShLangFragment;
}

void AppendBlock(std::string& sOut, char cKind, const std::string& sPayload)
{
    uint64_t uLength = sPayload.size();
    sOut += cKind;
    sOut.append(reinterpret_cast<const char*>(&uLength), sizeof uLength);
    sOut += sPayload;
}

bool ReadBlock(const std::string& sIn, size_t& uPos, char& cKind, std::string& sPayload)
{
    uint64_t uLength = 0;
    if (uPos + 1 + sizeof uLength > sIn.size())
        return false;
    cKind = sIn[uPos];
    std::memcpy(&uLength, sIn.data() + uPos + 1, sizeof uLength);
    uPos += 1 + sizeof uLength;
    if (uLength > sIn.size() - uPos)
        return false;
    sPayload = sIn.substr(uPos, size_t(uLength));
    uPos += size_t(uLength);
    return true;
}
} // namespace

void COrvFxTranslator::TranslateAll(const std::string& sSource, const COrvFxLineMap& lines,
                                    std::vector<SOrvFxTranslation>& jobs)
{
    std::vector<std::string> asTexts(jobs.size());
    std::vector<SOrvFxShader> entries(jobs.size());
    std::vector<size_t> auReady;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (PrepareJob(sSource, lines, jobs[i], asTexts[i], entries[i]))
            auReady.push_back(i);
    if (auReady.empty())
        return;
    WarmGlslang();
    // Every job's SPIR-V ('1') or glslang's messages ('0'), from one child.
    auto work = [&]
    {
        std::string sOut;
        for (size_t i : auReady)
        {
            std::vector<unsigned int> spirv;
            std::string sMessages;
            if (CompileToSpirv(asTexts[i], lines, entries[i], LanguageOf(jobs[i].m_eStage), spirv,
                               sMessages))
                AppendBlock(
                    sOut, '1',
                    std::string(reinterpret_cast<const char*>(spirv.data()), spirv.size() * 4));
            else
                AppendBlock(sOut, '0', sMessages);
        }
        return sOut;
    };
    std::string sResult;
    std::string sFailure;
    bool bBatch = auReady.size() > 1 && OrvRunIsolated(work, 60000, sResult, sFailure);
    size_t uPos = 0;
    for (size_t i : auReady)
    {
        std::vector<unsigned int> spirv;
        char cKind = 0;
        std::string sPayload;
        bool bAnswered = bBatch && ReadBlock(sResult, uPos, cKind, sPayload);
        if (!bAnswered)
        {
            // Alone, so that a crash names the entry point that caused it.
            if (!CompileIsolated(asTexts[i], lines, entries[i], LanguageOf(jobs[i].m_eStage), spirv,
                                 jobs[i].m_sErrors))
                continue;
        }
        else if (cKind != '1')
        {
            jobs[i].m_sErrors += sPayload;
            continue;
        }
        else
        {
            spirv.resize(sPayload.size() / 4);
            std::memcpy(spirv.data(), sPayload.data(), spirv.size() * 4);
        }
        FinishJob(spirv, lines, jobs[i]);
    }
}

bool COrvFxTranslator::Translate(const std::string& sSource, const COrvFxLineMap& lines,
                                 const SOrvFxShader& shader, EOrvShaderStage eStage,
                                 SOrvGlslShader& result, std::string& sErrors)
{
    std::vector<SOrvFxTranslation> jobs(1);
    jobs[0].m_shader = shader;
    jobs[0].m_eStage = eStage;
    TranslateAll(sSource, lines, jobs);
    result = std::move(jobs[0].m_result);
    sErrors += jobs[0].m_sErrors;
    return jobs[0].m_bOk;
}

#pragma once

#include "FxFile.h"

#include <string>
#include <vector>

// Turns one shader function of an effect file into GLSL 3.30: glslang's HLSL front end
// (Direct3D 9 compatibility) compiles it to SPIR-V, SPIRV-Tools validates it and SPIRV-Cross
// writes GLSL. The result follows the device's conventions for stages of one's own
// (GLDeviceInternal.h): vertex inputs at the attribute location of their semantic, varyings
// as vec4s named after their semantic (orv_Color0, orv_TexCoord3, orv_v_FOG0 for others) so
// that either stage can pair with a fixed-function one, the clip fix-up at the end of the
// vertex stage and the alpha test on render target 0. Samplers are "orv_s_<parameter>", and
// the global parameters members of the uniform struct "orv_vs" or "orv_ps" (GL names
// "orv_vs.World", "orv_ps.Taps[0]"). The declarations the device supplies
// (ClipFixupSource, AlphaTestSource) are pasted in when the stage is compiled on the device.

enum class EOrvShaderStage
{
    Vertex,
    Pixel,
};

struct SOrvShaderSignature
{
    std::string m_sSemantic; // upper case with its index: "TEXCOORD0", "POSITION0", "COLOR1"
    std::string m_sGlslName; // the vertex input, or the vec4 varying
    std::string m_sGlslType; // type the author declared: "vec4", "vec2", ...
    UINT m_uUsage = 0;       // vertex inputs: the declaration usage (D3DDECLUSAGE_*)
    UINT m_uUsageIndex = 0;
};

struct SOrvGlslShader
{
    EOrvShaderStage m_eStage = EOrvShaderStage::Vertex;
    std::string m_sGlsl;
    std::vector<SOrvShaderSignature> m_aInputs;
    std::vector<SOrvShaderSignature> m_aOutputs; // pixel shader: COLORn at location n
    std::vector<std::string> m_asSamplers;       // parameter names; GL name "orv_s_" + name
};

// One entry point to translate, and what came of it.
struct SOrvFxTranslation
{
    SOrvFxShader m_shader;
    EOrvShaderStage m_eStage = EOrvShaderStage::Vertex;
    bool m_bOk = false;
    SOrvGlslShader m_result;
    std::string m_sErrors; // "file(line): error: text" lines when it failed
};

class COrvFxTranslator
{
public:
    // Translates several entry points of one source. glslang, whose HLSL front end crashes
    // on some broken code, runs for all of them in one child process (FxIsolation.h); a crash
    // costs only the entry point that caused it.
    static void TranslateAll(const std::string& sSource, const COrvFxLineMap& lines,
                             std::vector<SOrvFxTranslation>& jobs);

    // Compiles the entry point of sSource (a blanked effect source whose lines come from
    // where the map says) for one stage. On failure returns false with
    // "file(line): error: text" lines in sErrors.
    static bool Translate(const std::string& sSource, const COrvFxLineMap& lines,
                          const SOrvFxShader& shader, EOrvShaderStage eStage,
                          SOrvGlslShader& result, std::string& sErrors);

    // Version of the translation, part of every cache key.
    static const char* GetVersion() { return "orv-fx-7"; }
};

// Splits "TEXCOORD3" into its declaration usage and index; false for an unknown semantic.
bool OrvSemanticToUsage(const std::string& sSemantic, UINT& uUsage, UINT& uIndex);

// Name of the vec4 varying that carries a semantic between stages.
std::string OrvVaryingName(const std::string& sSemantic);

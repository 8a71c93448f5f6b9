#pragma once

#include "FxFile.h"

#include <string>
#include <vector>

// Turns one shader function of an effect file into GLSL 3.30: glslang's HLSL front end
// (Direct3D 9 compatibility) compiles it to SPIR-V, SPIRV-Tools validates it and SPIRV-Cross
// writes GLSL. Names are made predictable so the two stages link and the device can bind
// them: vertex inputs "orv_a_<SEMANTIC><n>", varyings "orv_v_<SEMANTIC><n>", samplers
// "orv_s_<parameter>", and the global parameters as members of the uniform struct
// "orv_vs" or "orv_ps" (GL names "orv_vs.World", "orv_ps.Taps[0]").

enum class EOrvShaderStage
{
    Vertex,
    Pixel,
};

struct SOrvShaderSignature
{
    std::string m_sSemantic; // upper case with its index: "TEXCOORD0", "POSITION0", "COLOR1"
    std::string m_sGlslName;
    std::string m_sGlslType; // "vec4", "vec2", ...
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

// The vertex stage's clip-space correction, set by the device for each draw:
// x += fixup.x * w; y = y * fixup.z + fixup.y * w; z = 2z - w (depth 0..1 to -1..1).
#define ORV_POSITION_FIXUP_UNIFORM "orv_PositionFixup"

class ORVPLATFORM_API COrvFxTranslator
{
public:
    // Compiles the entry point of sSource (a blanked effect source) for one stage. On failure
    // returns false with "file(line): error: text" lines in sErrors.
    static bool Translate(const std::string& sSource, const std::string& sFileName,
                          const SOrvFxShader& shader, EOrvShaderStage eStage,
                          SOrvGlslShader& result, std::string& sErrors);

    // Version of the translation, part of every cache key.
    static const char* GetVersion() { return "orv-fx-1"; }
};

// Splits "TEXCOORD3" into its declaration usage and index; false for an unknown semantic.
ORVPLATFORM_API bool OrvSemanticToUsage(const std::string& sSemantic, UINT& uUsage, UINT& uIndex);

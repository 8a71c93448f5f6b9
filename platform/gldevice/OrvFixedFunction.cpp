#include "OrvFixedFunction.h"

#include "GLDeviceInternal.h"

#include <cstring>
#include <sstream>

const char* const g_szOrvClipFixupSource =
    "uniform vec4 orv_ClipFixup;\n"
    "vec4 orv_FixClip(vec4 p)\n"
    "{\n"
    "    return vec4(p.x + p.w * orv_ClipFixup.x, -p.y + p.w * orv_ClipFixup.y,\n"
    "                2.0 * p.z - p.w, p.w);\n"
    "}\n";

const char* const g_szOrvAlphaTestSource =
    "uniform int orv_AlphaFunc;\n"
    "uniform float orv_AlphaRef;\n"
    "void orv_AlphaTest(float a)\n"
    "{\n"
    "    float v = floor(clamp(a, 0.0, 1.0) * 255.0 + 0.5);\n"
    "    bool pass = true;\n"
    "    if (orv_AlphaFunc == 1) pass = false;\n"
    "    else if (orv_AlphaFunc == 2) pass = v < orv_AlphaRef;\n"
    "    else if (orv_AlphaFunc == 3) pass = v == orv_AlphaRef;\n"
    "    else if (orv_AlphaFunc == 4) pass = v <= orv_AlphaRef;\n"
    "    else if (orv_AlphaFunc == 5) pass = v > orv_AlphaRef;\n"
    "    else if (orv_AlphaFunc == 6) pass = v != orv_AlphaRef;\n"
    "    else if (orv_AlphaFunc == 7) pass = v >= orv_AlphaRef;\n"
    "    if (!pass) discard;\n"
    "}\n";

namespace
{
constexpr uint8_t MCS_MATERIAL = 0, MCS_COLOR1 = 1, MCS_COLOR2 = 2;

bool Has(const SOrvFFVertexKey& rKey, unsigned uLocation)
{
    return (rKey.m_uAttribMask >> uLocation) & 1u;
}

// Material colour from its source (D3DRS_*MATERIALSOURCE), falling back to the material.
std::string MaterialColor(const SOrvFFVertexKey& rKey, uint8_t uSource, const char* szMaterial)
{
    if (rKey.m_bColorVertex)
    {
        if (uSource == MCS_COLOR1 && Has(rKey, orv::gl::AttribColor0))
            return "orv_InColor0";
        if (uSource == MCS_COLOR2 && Has(rKey, orv::gl::AttribColor1))
            return "orv_InColor1";
    }
    (void)MCS_MATERIAL;
    return szMaterial;
}

void EmitVertexInputs(std::ostringstream& rOut, const SOrvFFVertexKey& rKey)
{
    rOut << "layout(location = 0) in vec4 orv_InPosition;\n";
    if (Has(rKey, orv::gl::AttribNormal))
        rOut << "layout(location = 1) in vec3 orv_InNormal;\n";
    if (Has(rKey, orv::gl::AttribColor0))
        rOut << "layout(location = 2) in vec4 orv_InColor0;\n";
    if (Has(rKey, orv::gl::AttribColor1))
        rOut << "layout(location = 3) in vec4 orv_InColor1;\n";
    for (unsigned i = 0; i < 8; ++i)
        if (Has(rKey, orv::gl::AttribTexCoord0 + i))
            rOut << "layout(location = " << orv::gl::AttribTexCoord0 + i
                 << ") in vec4 orv_InTexCoord" << i << ";\n";
    if (Has(rKey, orv::gl::AttribPSize))
        rOut << "layout(location = 12) in float orv_InPSize;\n";
}

void EmitVertexUniforms(std::ostringstream& rOut)
{
    rOut << "uniform mat4 orv_WorldViewProj;\n"
            "uniform mat4 orv_WorldView;\n"
            "uniform mat3 orv_NormalMatrix;\n"
            "uniform vec4 orv_Viewport;\n"
            "uniform vec4 orv_MatDiffuse;\n"
            "uniform vec4 orv_MatAmbient;\n"
            "uniform vec4 orv_MatSpecular;\n"
            "uniform vec4 orv_MatEmissive;\n"
            "uniform float orv_MatPower;\n"
            "uniform vec4 orv_GlobalAmbient;\n"
            "uniform vec4 orv_LightDiffuse[8];\n"
            "uniform vec4 orv_LightSpecular[8];\n"
            "uniform vec4 orv_LightAmbient[8];\n"
            "uniform vec4 orv_LightPosition[8];\n"
            "uniform vec4 orv_LightDirection[8];\n"
            "uniform vec4 orv_LightAtten[8];\n"
            "uniform vec4 orv_LightSpot[8];\n"
            "uniform vec4 orv_PointSize;\n"
            "uniform vec4 orv_PointScale;\n"
            "uniform mat4 orv_TexMatrix[8];\n";
    rOut << g_szOrvClipFixupSource;
}

void EmitVaryings(std::ostringstream& rOut, const char* szDirection, bool bFlat)
{
    const char* szQualifier = bFlat ? "flat " : "";
    rOut << szQualifier << szDirection << " vec4 orv_Color0;\n"
         << szQualifier << szDirection << " vec4 orv_Color1;\n";
    for (unsigned i = 0; i < 8; ++i)
        rOut << szDirection << " vec4 orv_TexCoord" << i << ";\n";
}

void EmitPosition(std::ostringstream& rOut, const SOrvFFVertexKey& rKey)
{
    if (rKey.m_bPretransformed)
    {
        // Screen position in render-target pixels (pixel centres on integers), 1/w in w.
        rOut << "    vec4 p = orv_InPosition;\n"
                "    float w = p.w > 0.0 ? 1.0 / p.w : 1.0;\n"
                "    vec2 ndc = (p.xy + 0.5 - orv_Viewport.xy) / orv_Viewport.zw * 2.0 - 1.0;\n"
                "    gl_Position = vec4(ndc * w, (2.0 * p.z - 1.0) * w, w);\n"
                "    vec3 viewPos = vec3(0.0);\n";
        return;
    }
    rOut << "    gl_Position = orv_FixClip(orv_WorldViewProj * orv_InPosition);\n"
            "    vec3 viewPos = (orv_WorldView * orv_InPosition).xyz;\n";
}

void EmitLight(std::ostringstream& rOut, const SOrvFFVertexKey& rKey, unsigned i)
{
    const unsigned uType = rKey.m_auLightType[i];
    rOut << "    {\n";
    if (uType == 3) // directional
        rOut << "        vec3 L = -orv_LightDirection[" << i << "].xyz;\n"
             << "        float att = 1.0;\n";
    else
    {
        rOut << "        vec3 d = orv_LightPosition[" << i << "].xyz - viewPos;\n"
             << "        float dist = length(d);\n"
             << "        vec3 L = d / max(dist, 1e-6);\n"
             << "        vec4 a = orv_LightAtten[" << i << "];\n"
             << "        float att = dist > a.w ? 0.0 : 1.0 / max(a.x + a.y * dist + a.z * dist * "
                "dist, 1e-6);\n";
        if (uType == 2) // spot
            rOut << "        vec4 s = orv_LightSpot[" << i << "];\n"
                 << "        float rho = dot(orv_LightDirection[" << i << "].xyz, -L);\n"
                 << "        att *= rho > s.x ? 1.0 : (rho <= s.y ? 0.0 : pow(clamp((rho - s.y) / "
                    "max(s.x - s.y, 1e-6), 0.0, 1.0), s.z));\n";
    }
    rOut << "        float NdotL = max(dot(N, L), 0.0);\n"
         << "        ambient += att * orv_LightAmbient[" << i << "].rgb;\n"
         << "        diffuse += att * NdotL * orv_LightDiffuse[" << i << "].rgb;\n";
    if (rKey.m_bSpecular)
    {
        rOut << "        vec3 H = normalize(L + V);\n"
             << "        if (NdotL > 0.0)\n"
             << "            specular += att * pow(max(dot(N, H), 0.0), orv_MatPower) * "
                "orv_LightSpecular["
             << i << "].rgb;\n";
    }
    rOut << "    }\n";
}

void EmitLighting(std::ostringstream& rOut, const SOrvFFVertexKey& rKey)
{
    const bool bLit = rKey.m_bLighting && !rKey.m_bPretransformed;
    if (!bLit)
    {
        rOut << "    orv_Color0 = "
             << (Has(rKey, orv::gl::AttribColor0) ? "orv_InColor0" : "vec4(1.0)") << ";\n"
             << "    orv_Color1 = "
             << (Has(rKey, orv::gl::AttribColor1) ? "orv_InColor1" : "vec4(0.0)") << ";\n";
        return;
    }
    rOut << "    vec4 matDiffuse = " << MaterialColor(rKey, rKey.m_uDiffuseSource, "orv_MatDiffuse")
         << ";\n"
         << "    vec4 matAmbient = " << MaterialColor(rKey, rKey.m_uAmbientSource, "orv_MatAmbient")
         << ";\n"
         << "    vec4 matSpecular = "
         << MaterialColor(rKey, rKey.m_uSpecularSource, "orv_MatSpecular") << ";\n"
         << "    vec4 matEmissive = "
         << MaterialColor(rKey, rKey.m_uEmissiveSource, "orv_MatEmissive") << ";\n";
    if (Has(rKey, orv::gl::AttribNormal))
    {
        rOut << "    vec3 N = orv_NormalMatrix * orv_InNormal;\n";
        if (rKey.m_bNormalize)
            rOut << "    N = length(N) > 0.0 ? normalize(N) : N;\n";
    }
    else
        rOut << "    vec3 N = vec3(0.0);\n";
    rOut << "    vec3 V = "
         << (rKey.m_bLocalViewer ? "normalize(-viewPos)" : "vec3(0.0, 0.0, -1.0)") << ";\n"
         << "    vec3 ambient = vec3(0.0);\n"
         << "    vec3 diffuse = vec3(0.0);\n"
         << "    vec3 specular = vec3(0.0);\n";
    for (unsigned i = 0; i < ORV_FF_MAX_LIGHTS && rKey.m_auLightType[i]; ++i)
        EmitLight(rOut, rKey, i);
    rOut << "    orv_Color0 = clamp(vec4(matEmissive.rgb + matAmbient.rgb * (orv_GlobalAmbient.rgb "
            "+ "
            "ambient) + matDiffuse.rgb * diffuse, matDiffuse.a), 0.0, 1.0);\n";
    if (rKey.m_bSpecular)
        rOut << "    orv_Color1 = clamp(vec4(matSpecular.rgb * specular, matSpecular.a), 0.0, "
                "1.0);\n";
    else
        rOut << "    orv_Color1 = vec4(0.0);\n";
}

// A coordinate set as a texture matrix reads it: the set's components, a 1 after the last
// and 0 beyond (a pair (u, v) is (u, v, 1, 0), so a 2D transform's offset is in its third
// row).
std::string SetCoord(const SOrvFFVertexKey& rKey, unsigned uSet, bool bPadded)
{
    if (!Has(rKey, orv::gl::AttribTexCoord0 + uSet))
        return bPadded ? "vec4(0.0, 0.0, 0.0, 0.0)" : "vec4(0.0, 0.0, 0.0, 1.0)";
    const std::string sIn = "orv_InTexCoord" + std::to_string(uSet);
    switch (bPadded ? rKey.m_auTexCoordSize[uSet] : 4)
    {
    case 1:
        return "vec4(" + sIn + ".x, 1.0, 0.0, 0.0)";
    case 2:
        return "vec4(" + sIn + ".xy, 1.0, 0.0)";
    default:
        return sIn;
    }
}

// The coordinate a stage's texture is read at (see SOrvFFVertexKey): a set, or a vector of
// the vertex in camera space (its normal, its position, or the view reflected by the normal
// towards the viewer as D3DRS_LOCALVIEWER places it), through the texture matrix.
void EmitStageCoords(std::ostringstream& rOut, const SOrvFFVertexKey& rKey)
{
    const unsigned uStages = rKey.m_uCoordStages;
    bool bNormal = false;
    for (unsigned s = 0; s < uStages; ++s)
        bNormal = bNormal || rKey.m_auStageGen[s] == 1 || rKey.m_auStageGen[s] == 3;
    if (bNormal)
        rOut << "    vec3 eyeNormal = "
             << (Has(rKey, orv::gl::AttribNormal) ? "normalize(orv_NormalMatrix * orv_InNormal)"
                                                  : "vec3(0.0)")
             << ";\n";
    for (unsigned s = 0; s < 8; ++s)
    {
        const std::string sOut = "    orv_TexCoord" + std::to_string(s) + " = ";
        if (s >= uStages)
        {
            rOut << sOut << SetCoord(rKey, s, false) << ";\n";
            continue;
        }
        const bool bTransform = rKey.m_auStageTransform[s] != 0;
        std::string sCoord;
        switch (rKey.m_auStageGen[s])
        {
        case 1: // D3DTSS_TCI_CAMERASPACENORMAL
            sCoord = "vec4(eyeNormal, 1.0)";
            break;
        case 2: // D3DTSS_TCI_CAMERASPACEPOSITION
            sCoord = "vec4(viewPos, 1.0)";
            break;
        case 3: // D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR
            sCoord = std::string("vec4(reflect(") +
                     (rKey.m_bLocalViewer ? "normalize(viewPos)" : "vec3(0.0, 0.0, 1.0)") +
                     ", eyeNormal), 1.0)";
            break;
        default:
            sCoord = SetCoord(rKey, rKey.m_auStageSet[s] & 7, bTransform);
            break;
        }
        if (bTransform)
            sCoord = "orv_TexMatrix[" + std::to_string(s) + "] * " + sCoord;
        rOut << sOut << sCoord << ";\n";
    }
}

void EmitPointSize(std::ostringstream& rOut, const SOrvFFVertexKey& rKey)
{
    rOut << "    float size = "
         << (Has(rKey, orv::gl::AttribPSize) ? "orv_InPSize" : "orv_PointSize.x") << ";\n";
    if (rKey.m_bPointScale && !rKey.m_bPretransformed)
        rOut << "    float De = length(viewPos);\n"
                "    vec3 abc = orv_PointScale.xyz;\n"
                "    size = orv_PointScale.w * size * sqrt(1.0 / max(abc.x + abc.y * De + abc.z * "
                "De * "
                "De, 1e-12));\n";
    rOut << "    gl_PointSize = max(clamp(size, orv_PointSize.y, orv_PointSize.z), 1.0);\n";
}

const char* SamplerType(uint8_t uTexture)
{
    switch (uTexture)
    {
    case ORV_FF_TEXTURE_CUBE:
        return "samplerCube";
    case ORV_FF_TEXTURE_3D:
        return "sampler3D";
    default:
        return "sampler2D";
    }
}

// The coordinates a stage samples its texture at: the vertex's set (D3DTSS_TEXCOORDINDEX),
// two components for 2D textures and three for cube and volume textures; point sprites
// sample 2D textures across the sprite.
std::string StageCoord(const SOrvFFFragmentKey& rKey, const SOrvFFStageKey& rStage)
{
    const bool b2D = rStage.m_uTexture == ORV_FF_TEXTURE_2D;
    if (rKey.m_bPointSprite && b2D)
        return "gl_PointCoord";
    const std::string sCoord = "orv_TexCoord" + std::to_string(rStage.m_uTexCoordIndex & 7);
    const std::string sUsed = sCoord + (b2D ? ".xy" : ".xyz");
    if (rStage.m_uProjected < 2 || rStage.m_uProjected > 4)
        return sUsed;
    return sUsed + " / " + sCoord + "[" + std::to_string(rStage.m_uProjected - 1) + "]";
}

// Argument of a texture stage as a vec4 expression.
std::string StageArg(uint8_t uArg, unsigned uStage)
{
    std::string sValue;
    switch (uArg & D3DTA_SELECTMASK)
    {
    case D3DTA_DIFFUSE:
        sValue = "diffuse";
        break;
    case D3DTA_CURRENT:
        sValue = "current";
        break;
    case D3DTA_TEXTURE:
        sValue = "tex" + std::to_string(uStage);
        break;
    case D3DTA_TFACTOR:
    case D3DTA_CONSTANT:
        sValue = "orv_TexFactor";
        break;
    case D3DTA_SPECULAR:
        sValue = "specular";
        break;
    case D3DTA_TEMP:
        sValue = "temp";
        break;
    default:
        sValue = "vec4(1.0)";
        break;
    }
    if (uArg & D3DTA_COMPLEMENT)
        sValue = "(vec4(1.0) - " + sValue + ")";
    if (uArg & D3DTA_ALPHAREPLICATE)
        sValue = "vec4((" + sValue + ").a)";
    return sValue;
}

// "(inner)suffix", appended piece by piece: GCC 12 at -O3 takes "literal" + std::string&&
// (an insert at the front of the string) for an overlapping copy and warns (-Wrestrict).
std::string Parenthesised(const std::string& sInner, const char* szSuffix = "")
{
    std::string sOut;
    sOut.reserve(sInner.size() + std::strlen(szSuffix) + 2);
    sOut.append(1, '(').append(sInner).append(1, ')').append(szSuffix);
    return sOut;
}

// Result of a texture operation on one channel group (".rgb" or ".a").
std::string StageOp(uint8_t uOp, const uint8_t* puArgs, unsigned uStage, const char* szChannels)
{
    const std::string a0 = Parenthesised(StageArg(puArgs[0], uStage), szChannels);
    const std::string a1 = Parenthesised(StageArg(puArgs[1], uStage), szChannels);
    const std::string a2 = Parenthesised(StageArg(puArgs[2], uStage), szChannels);
    const std::string a1a = Parenthesised(StageArg(puArgs[1], uStage), ".a");
    const std::string a1full = Parenthesised(StageArg(puArgs[1], uStage));
    const std::string tex = "tex" + std::to_string(uStage);
    switch (uOp)
    {
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE:
        return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
        return a1 + " * " + a2 + " * 2.0";
    case D3DTOP_MODULATE4X:
        return a1 + " * " + a2 + " * 4.0";
    case D3DTOP_ADD:
        return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED:
        return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X:
        return "(" + a1 + " + " + a2 + " - 0.5) * 2.0";
    case D3DTOP_SUBTRACT:
        return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH:
        return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + a2 + ", " + a1 + ", orv_TexFactor.a)";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
        return a1 + " + " + a1a + " * " + a2;
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return a1 + " * " + a2 + " + " + a1a;
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return a1 + " + (1.0 - " + a1a + ") * " + a2;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "(1.0 - " + a1 + ") * " + a2 + " + " + a1a;
    case D3DTOP_DOTPRODUCT3:
    {
        const std::string sDot = "dot((" + a1full + ".rgb - 0.5) * 2.0, ((" +
                                 StageArg(puArgs[2], uStage) + ").rgb - 0.5) * 2.0)";
        return std::strcmp(szChannels, ".a") == 0 ? sDot : "vec3(" + sDot + ")";
    }
    case D3DTOP_MULTIPLYADD:
        return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP:
        return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    case D3DTOP_PREMODULATE:
        return a1 + " * " + a2;
    default:
        return std::string("current") +
               szChannels; // bump mapping and unknown operations pass the colour on
    }
}
} // namespace

std::string OrvGenerateFFVertexShader(const SOrvFFVertexKey& rKey)
{
    std::ostringstream out;
    out << "#version 330 core\n";
    EmitVertexInputs(out, rKey);
    EmitVertexUniforms(out);
    EmitVaryings(out, "out", rKey.m_bFlat);
    out << "void main()\n{\n";
    EmitPosition(out, rKey);
    EmitLighting(out, rKey);
    EmitStageCoords(out, rKey);
    EmitPointSize(out, rKey);
    out << "}\n";
    return out.str();
}

std::string OrvGenerateFFFragmentShader(const SOrvFFFragmentKey& rKey)
{
    std::ostringstream out;
    out << "#version 330 core\n";
    EmitVaryings(out, "in", rKey.m_bFlat);
    for (unsigned i = 0; i < ORV_FF_MAX_STAGES; ++i)
        out << "uniform " << SamplerType(i < rKey.m_uStageCount ? rKey.m_aStages[i].m_uTexture : 0)
            << " orv_Sampler" << i << ";\n";
    out << "uniform vec4 orv_TexFactor;\n"
        << g_szOrvAlphaTestSource
        << "layout(location = 0) out vec4 orv_Out0;\n"
           "layout(location = 1) out vec4 orv_Out1;\n"
           "void main()\n{\n"
           "    vec4 diffuse = orv_Color0;\n"
           "    vec4 specular = orv_Color1;\n"
           "    vec4 current = diffuse;\n"
           "    vec4 temp = vec4(0.0);\n";
    for (unsigned s = 0; s < rKey.m_uStageCount && s < ORV_FF_MAX_STAGES; ++s)
    {
        const SOrvFFStageKey& rStage = rKey.m_aStages[s];
        out << "    vec4 tex" << s << " = "
            << (rStage.m_uTexture != ORV_FF_TEXTURE_NONE
                    ? "texture(orv_Sampler" + std::to_string(s) + ", " + StageCoord(rKey, rStage) +
                          ")"
                    : std::string("vec4(1.0)"))
            << ";\n";
        out << "    {\n        vec3 rgb = clamp("
            << StageOp(rStage.m_uColorOp, rStage.m_auColorArg, s, ".rgb") << ", 0.0, 1.0);\n";
        if (rStage.m_uAlphaOp == D3DTOP_DISABLE)
            out << "        float alpha = current.a;\n";
        else
            out << "        float alpha = clamp("
                << StageOp(rStage.m_uAlphaOp, rStage.m_auAlphaArg, s, ".a") << ", 0.0, 1.0);\n";
        out << "        current = vec4(rgb, alpha);\n    }\n";
    }
    if (rKey.m_bSpecularAdd)
        out << "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    out << "    orv_AlphaTest(current.a);\n"
           "    orv_Out0 = current;\n"
           "    orv_Out1 = current;\n"
           "}\n";
    return out.str();
}

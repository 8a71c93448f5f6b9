#include "FxPrograms.h"

#include "GLDeviceInternal.h"
#include "ShaderCache.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace
{
const std::vector<size_t> s_noUnits;

bool IsFixedFunctionVarying(const std::string& sName)
{
    return sName == "orv_Color0" || sName == "orv_Color1" ||
           (sName.rfind("orv_TexCoord", 0) == 0 && sName.size() == 13 && sName[12] >= '0' &&
            sName[12] <= '7');
}

// Pastes the device's declarations in front of main.
std::string WithDeviceDeclarations(const SOrvGlslShader& glsl)
{
    std::string sSource = glsl.m_sGlsl;
    size_t uMain = sSource.find("void main()");
    if (uMain != std::string::npos)
    {
        const char* pDeclarations = glsl.m_eStage == EOrvShaderStage::Vertex
                                        ? OrvGL::ClipFixupSource()
                                        : OrvGL::AlphaTestSource();
        sSource.insert(uMain, std::string(pDeclarations) + "\n");
    }
    return sSource;
}

// A pixel input that nothing writes reads zero instead (Direct3D's behaviour).
void ZeroMissingInputs(SOrvGlslShader& glsl, const std::vector<std::string>& asMissing)
{
    for (const std::string& sName : asMissing)
    {
        std::string sDeclaration = "in vec4 " + sName + ";";
        size_t uAt = glsl.m_sGlsl.find(sDeclaration);
        if (uAt != std::string::npos)
            glsl.m_sGlsl.replace(uAt, sDeclaration.size(), "vec4 " + sName + " = vec4(0.0);");
    }
}

// Components of a GL uniform type, and whether it is integer-valued.
int ComponentsOf(GLenum eType, bool& bInteger, bool& bMatrix)
{
    bInteger = false;
    bMatrix = false;
    switch (eType)
    {
    case GL_FLOAT:
        return 1;
    case GL_FLOAT_VEC2:
        return 2;
    case GL_FLOAT_VEC3:
        return 3;
    case GL_FLOAT_VEC4:
        return 4;
    case GL_INT:
    case GL_BOOL:
    case GL_UNSIGNED_INT:
        bInteger = true;
        return 1;
    case GL_INT_VEC2:
    case GL_BOOL_VEC2:
    case GL_UNSIGNED_INT_VEC2:
        bInteger = true;
        return 2;
    case GL_INT_VEC3:
    case GL_BOOL_VEC3:
    case GL_UNSIGNED_INT_VEC3:
        bInteger = true;
        return 3;
    case GL_INT_VEC4:
    case GL_BOOL_VEC4:
    case GL_UNSIGNED_INT_VEC4:
        bInteger = true;
        return 4;
    case GL_FLOAT_MAT2:
        bMatrix = true;
        return 4;
    case GL_FLOAT_MAT3:
        bMatrix = true;
        return 9;
    case GL_FLOAT_MAT4:
        bMatrix = true;
        return 16;
    case GL_FLOAT_MAT2x3:
    case GL_FLOAT_MAT3x2:
        bMatrix = true;
        return 6;
    case GL_FLOAT_MAT2x4:
    case GL_FLOAT_MAT4x2:
        bMatrix = true;
        return 8;
    case GL_FLOAT_MAT3x4:
    case GL_FLOAT_MAT4x3:
        bMatrix = true;
        return 12;
    default:
        return 0;
    }
}

void SetFloatUniform(GLenum eType, GLint iLocation, GLsizei iCount, const float* pf)
{
    switch (eType)
    {
    case GL_FLOAT:
        glUniform1fv(iLocation, iCount, pf);
        break;
    case GL_FLOAT_VEC2:
        glUniform2fv(iLocation, iCount, pf);
        break;
    case GL_FLOAT_VEC3:
        glUniform3fv(iLocation, iCount, pf);
        break;
    case GL_FLOAT_VEC4:
        glUniform4fv(iLocation, iCount, pf);
        break;
    // A Direct3D row-major matrix given untransposed is exactly what HLSL's mul(v, M) reads.
    case GL_FLOAT_MAT2:
        glUniformMatrix2fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT3:
        glUniformMatrix3fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT4:
        glUniformMatrix4fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT2x3:
        glUniformMatrix2x3fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT3x2:
        glUniformMatrix3x2fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT2x4:
        glUniformMatrix2x4fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT4x2:
        glUniformMatrix4x2fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT3x4:
        glUniformMatrix3x4fv(iLocation, iCount, GL_FALSE, pf);
        break;
    case GL_FLOAT_MAT4x3:
        glUniformMatrix4x3fv(iLocation, iCount, GL_FALSE, pf);
        break;
    default:
        break;
    }
}

void SetIntegerUniform(GLenum eType, GLint iLocation, GLsizei iCount, const std::vector<GLint>& ai)
{
    bool bUnsigned = eType == GL_UNSIGNED_INT || eType == GL_UNSIGNED_INT_VEC2 ||
                     eType == GL_UNSIGNED_INT_VEC3 || eType == GL_UNSIGNED_INT_VEC4;
    bool bInteger = false;
    bool bMatrix = false;
    int iComponents = ComponentsOf(eType, bInteger, bMatrix);
    const GLint* p = ai.data();
    const GLuint* pu = reinterpret_cast<const GLuint*>(p);
    switch (iComponents)
    {
    case 1:
        bUnsigned ? glUniform1uiv(iLocation, iCount, pu) : glUniform1iv(iLocation, iCount, p);
        break;
    case 2:
        bUnsigned ? glUniform2uiv(iLocation, iCount, pu) : glUniform2iv(iLocation, iCount, p);
        break;
    case 3:
        bUnsigned ? glUniform3uiv(iLocation, iCount, pu) : glUniform3iv(iLocation, iCount, p);
        break;
    case 4:
        bUnsigned ? glUniform4uiv(iLocation, iCount, pu) : glUniform4iv(iLocation, iCount, p);
        break;
    default:
        break;
    }
}
} // namespace

COrvFxPrograms::~COrvFxPrograms()
{
    Release();
}

bool COrvFxPrograms::Build(IDirect3DDevice9* pDevice, const SOrvFxFile& file,
                           const std::string& sFileName, std::string& sErrors)
{
    m_pDevice = pDevice;
    m_pFile = &file;
    m_sFileName = sFileName;
    if (!OrvGL::MakeCurrent(pDevice))
    {
        sErrors += sFileName + "(1): error: the device cannot run effects\n";
        return false;
    }
    bool bOk = true;
    for (const SOrvFxTechnique& technique : file.m_aTechniques)
    {
        std::vector<SPass> aPasses;
        for (const SOrvFxPass& pass : technique.m_aPasses)
        {
            SPass compiled;
            if (pass.m_vertexShader.m_bPresent)
                compiled.m_iVertex =
                    AddStage(pass.m_vertexShader, EOrvShaderStage::Vertex, {}, sErrors);
            if (pass.m_pixelShader.m_bPresent)
            {
                SOrvGlslShader pixel;
                std::vector<std::string> asMissing;
                if (Translate(pass.m_pixelShader, EOrvShaderStage::Pixel, pixel, sErrors) &&
                    !(pass.m_vertexShader.m_bPresent && compiled.m_iVertex < 0))
                {
                    const SStage* pVertex =
                        compiled.m_iVertex >= 0 ? &m_aStages[compiled.m_iVertex] : nullptr;
                    asMissing = FindMissingInputs(pVertex, pixel);
                }
                compiled.m_iPixel =
                    AddStage(pass.m_pixelShader, EOrvShaderStage::Pixel, asMissing, sErrors);
            }
            bOk &= (compiled.m_iVertex >= 0 || !pass.m_vertexShader.m_bPresent) &&
                   (compiled.m_iPixel >= 0 || !pass.m_pixelShader.m_bPresent);
            // Sampler units: the pixel stage's samplers, then the vertex stage's.
            for (int iStage : {compiled.m_iPixel, compiled.m_iVertex})
            {
                if (iStage < 0)
                    continue;
                for (const std::string& sSampler : m_aStages[iStage].m_glsl.m_asSamplers)
                {
                    for (size_t i = 0; i < file.m_aParameters.size(); ++i)
                        if (file.m_aParameters[i].m_sName == sSampler &&
                            std::find(compiled.m_auSamplerUnits.begin(),
                                      compiled.m_auSamplerUnits.end(),
                                      i) == compiled.m_auSamplerUnits.end())
                            compiled.m_auSamplerUnits.push_back(i);
                }
            }
            aPasses.push_back(std::move(compiled));
        }
        m_aaPasses.push_back(std::move(aPasses));
    }
    return bOk;
}

bool COrvFxPrograms::Translate(const SOrvFxShader& shader, EOrvShaderStage eStage,
                               SOrvGlslShader& glsl, std::string& sErrors)
{
    std::string sKey = COrvShaderCache::MakeKey(m_pFile->m_sShaderSource, shader, eStage);
    if (auto it = m_translated.find(sKey); it != m_translated.end())
    {
        glsl = it->second;
        return true;
    }
    if (!COrvShaderCache::Load(sKey, glsl) || glsl.m_eStage != eStage)
    {
        if (!COrvFxTranslator::Translate(m_pFile->m_sShaderSource, m_sFileName, shader, eStage,
                                         glsl, sErrors))
            return false;
        COrvShaderCache::Store(sKey, glsl);
    }
    m_translated[sKey] = glsl;
    return true;
}

std::vector<std::string> COrvFxPrograms::FindMissingInputs(const SStage* pVertex,
                                                           const SOrvGlslShader& pixel) const
{
    std::vector<std::string> asMissing;
    for (const SOrvShaderSignature& input : pixel.m_aInputs)
    {
        bool bWritten = false;
        if (pVertex)
        {
            for (const SOrvShaderSignature& output : pVertex->m_glsl.m_aOutputs)
                bWritten |= output.m_sGlslName == input.m_sGlslName;
        }
        else
            bWritten = IsFixedFunctionVarying(input.m_sGlslName);
        if (!bWritten)
            asMissing.push_back(input.m_sGlslName);
    }
    return asMissing;
}

int COrvFxPrograms::AddStage(const SOrvFxShader& shader, EOrvShaderStage eStage,
                             const std::vector<std::string>& asMissingInputs, std::string& sErrors)
{
    std::string sKey = (eStage == EOrvShaderStage::Vertex ? "vs|" : "ps|") + shader.m_sProfile +
                       "|" + shader.m_sEntry;
    for (const std::string& sArgument : shader.m_asArguments)
        sKey += "(" + sArgument;
    for (const std::string& sMissing : asMissingInputs)
        sKey += "|" + sMissing;
    if (auto it = m_stageByKey.find(sKey); it != m_stageByKey.end())
        return it->second;
    SStage stage;
    if (!Translate(shader, eStage, stage.m_glsl, sErrors))
        return -1;
    ZeroMissingInputs(stage.m_glsl, asMissingInputs);
    if (!Compile(stage, shader, sErrors))
        return -1;
    m_aStages.push_back(std::move(stage));
    int iIndex = int(m_aStages.size() - 1);
    m_stageByKey[sKey] = iIndex;
    return iIndex;
}

bool COrvFxPrograms::Compile(SStage& stage, const SOrvFxShader& shader, std::string& sErrors)
{
    bool bVertex = stage.m_glsl.m_eStage == EOrvShaderStage::Vertex;
    GLuint uShader = glCreateShader(bVertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    std::string sSource = WithDeviceDeclarations(stage.m_glsl);
    const char* pSource = sSource.c_str();
    glShaderSource(uShader, 1, &pSource, nullptr);
    glCompileShader(uShader);
    GLint iStatus = GL_FALSE;
    glGetShaderiv(uShader, GL_COMPILE_STATUS, &iStatus);
    if (iStatus != GL_TRUE)
    {
        GLint iLength = 0;
        glGetShaderiv(uShader, GL_INFO_LOG_LENGTH, &iLength);
        std::string sLog(size_t(std::max(iLength, 1)), '\0');
        glGetShaderInfoLog(uShader, iLength, nullptr, sLog.data());
        sErrors += m_sFileName + "(" + std::to_string(shader.m_iLine) + "): error: entry point '" +
                   shader.m_sEntry + "' does not compile on the device: " + sLog.c_str() + "\n";
        glDeleteShader(uShader);
        return false;
    }
    stage.m_uGlShader = uShader;
    return true;
}

unsigned int COrvFxPrograms::Use(size_t uTechnique, size_t uPass)
{
    if (uTechnique >= m_aaPasses.size() || uPass >= m_aaPasses[uTechnique].size())
        return 0;
    const SPass& pass = m_aaPasses[uTechnique][uPass];
    GLuint uVertex = pass.m_iVertex >= 0 ? m_aStages[pass.m_iVertex].m_uGlShader : 0;
    GLuint uPixel = pass.m_iPixel >= 0 ? m_aStages[pass.m_iPixel].m_uGlShader : 0;
    OrvGL::MakeCurrent(m_pDevice);
    return OrvGL::UseShaderStages(m_pDevice, uVertex, uPixel);
}

const std::vector<size_t>& COrvFxPrograms::GetSamplerUnits(size_t uTechnique, size_t uPass) const
{
    if (uTechnique >= m_aaPasses.size() || uPass >= m_aaPasses[uTechnique].size())
        return s_noUnits;
    return m_aaPasses[uTechnique][uPass].m_auSamplerUnits;
}

// Reads the active uniforms of a program once: "orv_vs.World", "orv_ps.Taps[0]", "orv_s_Tex".
const std::vector<COrvFxPrograms::SSlot>& COrvFxPrograms::GetSlots(unsigned int uProgram)
{
    auto it = m_slotsByProgram.find(uProgram);
    if (it != m_slotsByProgram.end())
        return it->second;
    std::vector<SSlot>& slots = m_slotsByProgram[uProgram];
    GLint iCount = 0;
    glGetProgramiv(uProgram, GL_ACTIVE_UNIFORMS, &iCount);
    for (GLint i = 0; i < iCount; ++i)
    {
        char acName[256];
        GLint iSize = 0;
        GLenum eType = 0;
        glGetActiveUniform(uProgram, GLuint(i), sizeof acName, nullptr, &iSize, &eType, acName);
        std::string sName = acName;
        GLint iLocation = glGetUniformLocation(uProgram, acName);
        if (iLocation < 0)
            continue;
        SSlot slot{iLocation, eType, iSize, 0, false, std::string()};
        if (sName.rfind("orv_s_", 0) == 0)
        {
            slot.m_bSampler = true;
            slot.m_sSampler = sName.substr(6);
            slots.push_back(slot);
            continue;
        }
        if (sName.rfind("orv_vs.", 0) != 0 && sName.rfind("orv_ps.", 0) != 0)
            continue; // the device's own uniforms
        std::string sParameter = sName.substr(7);
        if (size_t uBracket = sParameter.find('['); uBracket != std::string::npos)
            sParameter.resize(uBracket);
        for (size_t p = 0; p < m_pFile->m_aParameters.size(); ++p)
        {
            if (m_pFile->m_aParameters[p].m_sName == sParameter)
            {
                slot.m_uParameter = p;
                slots.push_back(slot);
            }
        }
    }
    return slots;
}

void COrvFxPrograms::Upload(unsigned int uProgram, size_t uTechnique, size_t uPass,
                            const std::vector<std::vector<float>>& aafValues)
{
    if (uProgram == 0)
        return;
    const std::vector<size_t>& auUnits = GetSamplerUnits(uTechnique, uPass);
    for (const SSlot& slot : GetSlots(uProgram))
    {
        if (slot.m_bSampler)
        {
            for (size_t uUnit = 0; uUnit < auUnits.size(); ++uUnit)
                if (m_pFile->m_aParameters[auUnits[uUnit]].m_sName == slot.m_sSampler)
                    glUniform1i(slot.m_iLocation, GLint(uUnit));
            continue;
        }
        const std::vector<float>& afValue = aafValues[slot.m_uParameter];
        bool bInteger = false;
        bool bMatrix = false;
        int iComponents = ComponentsOf(slot.m_uType, bInteger, bMatrix);
        if (iComponents == 0)
            continue;
        GLsizei iCount =
            std::min<GLsizei>(slot.m_iSize, GLsizei(afValue.size() / size_t(iComponents)));
        if (iCount <= 0)
            continue;
        if (bInteger)
        {
            std::vector<GLint> ai(size_t(iCount) * size_t(iComponents));
            for (size_t i = 0; i < ai.size(); ++i)
                ai[i] = GLint(afValue[i]);
            SetIntegerUniform(slot.m_uType, slot.m_iLocation, iCount, ai);
        }
        else
            SetFloatUniform(slot.m_uType, slot.m_iLocation, iCount, afValue.data());
    }
}

void COrvFxPrograms::Release()
{
    if (m_aStages.empty() || !m_pDevice)
        return;
    OrvGL::MakeCurrent(m_pDevice);
    for (SStage& stage : m_aStages)
    {
        if (stage.m_uGlShader == 0)
            continue;
        OrvGL::ForgetShader(m_pDevice, stage.m_uGlShader);
        glDeleteShader(stage.m_uGlShader);
    }
    m_aStages.clear();
    m_slotsByProgram.clear();
}

#include "FxPrograms.h"

#include "GLDeviceInternal.h"
#include "ShaderCache.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdlib>

namespace
{
const std::vector<SOrvFxSamplerUnit> s_noUnits;

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
                                        ? orv::gl::ClipFixupSource()
                                        : orv::gl::AlphaTestSource();
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

// Finds the parameter and the float offset in its value of a uniform that GL names
// "Taps[0]" (an array from its first element), "gLight.Color" or "Lights[2].Position".
bool LocateUniform(const std::vector<SOrvFxParameter>& parameters, const std::string& sPath,
                   size_t& uParameter, size_t& uOffset)
{
    size_t uEnd = sPath.find_first_of(".[");
    std::string sName = sPath.substr(0, uEnd);
    auto it = std::find_if(parameters.begin(), parameters.end(),
                           [&](const SOrvFxParameter& p) { return p.m_sName == sName; });
    if (it == parameters.end())
        return false;
    uParameter = size_t(it - parameters.begin());
    uOffset = 0;
    const SOrvFxParameter* pLevel = &*it;
    size_t uPos = uEnd;
    while (uPos < sPath.size())
    {
        UINT uElements = std::max(1u, pLevel->m_uElements);
        size_t uStride = pLevel->GetValueCount() / uElements;
        if (sPath[uPos] == '[')
        {
            size_t uIndex = size_t(std::atol(sPath.c_str() + uPos + 1));
            uOffset += std::min<size_t>(uIndex, uElements - 1) * uStride;
            uPos = sPath.find(']', uPos);
            uPos = uPos == std::string::npos ? sPath.size() : uPos + 1;
            continue;
        }
        size_t uNext = sPath.find_first_of(".[", uPos + 1);
        std::string sMember = sPath.substr(uPos + 1, uNext == std::string::npos ? std::string::npos
                                                                                : uNext - uPos - 1);
        const SOrvFxParameter* pMember = nullptr;
        for (const SOrvFxParameter& member : pLevel->m_aMembers)
        {
            if (member.m_sName == sMember)
            {
                pMember = &member;
                break;
            }
            uOffset += member.GetValueCount();
        }
        if (!pMember)
            return false;
        pLevel = pMember;
        uPos = uNext == std::string::npos ? sPath.size() : uNext;
    }
    return true;
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

bool COrvFxPrograms::Build(IDirect3DDevice9* pDevice, const SOrvFxFile& file, std::string& sErrors)
{
    m_pDevice = pDevice;
    m_pFile = &file;
    if (!orv::gl::MakeCurrent(pDevice))
    {
        sErrors += file.m_lines.GetMainFile() + "(1): error: the device cannot run effects\n";
        return false;
    }
    TranslateMissing();
    bool bOk = true;
    for (const SOrvFxTechnique& technique : file.m_aTechniques)
    {
        std::vector<SPass> aPasses;
        for (const SOrvFxPass& pass : technique.m_aPasses)
        {
            SPass compiled;
            bOk &= BuildPass(pass, compiled, sErrors);
            aPasses.push_back(std::move(compiled));
        }
        m_aaPasses.push_back(std::move(aPasses));
    }
    return bOk;
}

// Every choice of the pass's shader arrays, each pixel stage paired with each vertex stage.
bool COrvFxPrograms::BuildPass(const SOrvFxPass& pass, SPass& compiled, std::string& sErrors)
{
    static const SOrvFxShader s_fixedFunction;
    auto choices = [](const SOrvFxShaderSlot& slot)
    {
        std::vector<const SOrvFxShader*> apChoices;
        for (const SOrvFxShader& shader : slot.m_aChoices)
            apChoices.push_back(&shader);
        if (apChoices.empty())
            apChoices.push_back(&s_fixedFunction);
        return apChoices;
    };
    bool bOk = true;
    for (const SOrvFxShader* pVertex : choices(pass.m_vertexShader))
    {
        int iVertex = -1;
        if (pVertex->m_bPresent)
        {
            iVertex = AddStage(*pVertex, EOrvShaderStage::Vertex, {}, sErrors);
            bOk &= iVertex >= 0;
        }
        compiled.m_aiVertex.push_back(iVertex);
        std::vector<int> aiPixel;
        for (const SOrvFxShader* pPixel : choices(pass.m_pixelShader))
        {
            int iPixel = -1;
            SOrvGlslShader pixel;
            if (pPixel->m_bPresent && Translate(*pPixel, EOrvShaderStage::Pixel, pixel, sErrors))
            {
                std::vector<std::string> asMissing;
                if (!(pVertex->m_bPresent && iVertex < 0))
                    asMissing =
                        FindMissingInputs(iVertex >= 0 ? &m_aStages[iVertex] : nullptr, pixel);
                iPixel = AddStage(*pPixel, EOrvShaderStage::Pixel, asMissing, sErrors);
            }
            bOk &= iPixel >= 0 || !pPixel->m_bPresent;
            aiPixel.push_back(iPixel);
        }
        compiled.m_aaiPixel.push_back(std::move(aiPixel));
    }
    // Sampler units: the pixel stages' samplers, then the vertex stages'.
    for (const std::vector<int>& aiPixel : compiled.m_aaiPixel)
        for (int iPixel : aiPixel)
            AddSamplerUnits(iPixel, compiled);
    for (int iVertex : compiled.m_aiVertex)
        AddSamplerUnits(iVertex, compiled);
    return bOk;
}

void COrvFxPrograms::AddSamplerUnits(int iStage, SPass& compiled) const
{
    if (iStage < 0)
        return;
    std::vector<SOrvFxSamplerUnit>& aUnits = compiled.m_aSamplerUnits;
    for (const std::string& sSampler : m_aStages[size_t(iStage)].m_glsl.m_asSamplers)
        for (size_t i = 0; i < m_pFile->m_aParameters.size(); ++i)
        {
            if (m_pFile->m_aParameters[i].m_sName != sSampler)
                continue;
            for (UINT e = 0; e < std::max(1u, m_pFile->m_aParameters[i].m_uElements); ++e)
                if (std::find(aUnits.begin(), aUnits.end(), SOrvFxSamplerUnit{i, e}) ==
                    aUnits.end())
                    aUnits.push_back({i, e});
        }
}

// Every stage the passes use that the shader cache lacks, translated in one go (one run of
// the shader compiler's child process for the whole effect).
void COrvFxPrograms::TranslateMissing()
{
    std::vector<SOrvFxTranslation> jobs;
    std::vector<std::string> asKeys;
    auto add = [&](const SOrvFxShaderSlot& slot, EOrvShaderStage eStage)
    {
        for (const SOrvFxShader& shader : slot.m_aChoices)
        {
            if (!shader.m_bPresent)
                continue;
            std::string sKey = COrvShaderCache::MakeKey(m_pFile->m_sShaderSource, shader, eStage);
            SOrvGlslShader glsl;
            if (m_translated.count(sKey) ||
                std::find(asKeys.begin(), asKeys.end(), sKey) != asKeys.end())
                continue;
            if (COrvShaderCache::Load(sKey, glsl) && glsl.m_eStage == eStage)
            {
                m_translated[sKey] = std::move(glsl);
                continue;
            }
            jobs.push_back({shader, eStage, false, SOrvGlslShader(), std::string()});
            asKeys.push_back(sKey);
        }
    };
    for (const SOrvFxTechnique& technique : m_pFile->m_aTechniques)
        for (const SOrvFxPass& pass : technique.m_aPasses)
        {
            add(pass.m_vertexShader, EOrvShaderStage::Vertex);
            add(pass.m_pixelShader, EOrvShaderStage::Pixel);
        }
    COrvFxTranslator::TranslateAll(m_pFile->m_sShaderSource, m_pFile->m_lines, jobs);
    for (size_t i = 0; i < jobs.size(); ++i)
    {
        if (!jobs[i].m_bOk)
        {
            m_failed[asKeys[i]] = jobs[i].m_sErrors;
            continue;
        }
        COrvShaderCache::Store(asKeys[i], jobs[i].m_result);
        m_translated[asKeys[i]] = std::move(jobs[i].m_result);
    }
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
    if (auto it = m_failed.find(sKey); it != m_failed.end())
    {
        sErrors += it->second; // once, however many passes use it
        it->second.clear();
        return false;
    }
    if (!COrvShaderCache::Load(sKey, glsl) || glsl.m_eStage != eStage)
    {
        if (!COrvFxTranslator::Translate(m_pFile->m_sShaderSource, m_pFile->m_lines, shader, eStage,
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
        bool bWritten = input.m_sGlslName.rfind("orv_system_", 0) == 0;
        if (pVertex)
        {
            for (const SOrvShaderSignature& output : pVertex->m_glsl.m_aOutputs)
                bWritten |= output.m_sGlslName == input.m_sGlslName;
        }
        else
            bWritten |= IsFixedFunctionVarying(input.m_sGlslName);
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
        sErrors += m_pFile->m_lines.Where(shader.m_iLine) + ": error: entry point '" +
                   shader.m_sEntry + "' does not compile on the device: " + sLog.c_str() + "\n";
        glDeleteShader(uShader);
        return false;
    }
    stage.m_uGlShader = uShader;
    return true;
}

unsigned int COrvFxPrograms::Use(size_t uTechnique, size_t uPass, size_t uVertexChoice,
                                 size_t uPixelChoice)
{
    if (uTechnique >= m_aaPasses.size() || uPass >= m_aaPasses[uTechnique].size())
        return 0;
    const SPass& pass = m_aaPasses[uTechnique][uPass];
    uVertexChoice = std::min(uVertexChoice, pass.m_aiVertex.size() - 1);
    const std::vector<int>& aiPixel = pass.m_aaiPixel[uVertexChoice];
    uPixelChoice = std::min(uPixelChoice, aiPixel.size() - 1);
    int iVertex = pass.m_aiVertex[uVertexChoice];
    int iPixel = aiPixel[uPixelChoice];
    GLuint uVertex = iVertex >= 0 ? m_aStages[size_t(iVertex)].m_uGlShader : 0;
    GLuint uPixel = iPixel >= 0 ? m_aStages[size_t(iPixel)].m_uGlShader : 0;
    orv::gl::MakeCurrent(m_pDevice);
    return orv::gl::UseShaderStages(m_pDevice, uVertex, uPixel);
}

const std::vector<SOrvFxSamplerUnit>& COrvFxPrograms::GetSamplerUnits(size_t uTechnique,
                                                                      size_t uPass) const
{
    if (uTechnique >= m_aaPasses.size() || uPass >= m_aaPasses[uTechnique].size())
        return s_noUnits;
    return m_aaPasses[uTechnique][uPass].m_aSamplerUnits;
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
        SSlot slot{iLocation, eType, iSize, 0, 0, false, std::string()};
        if (sName.rfind("orv_s_", 0) == 0)
        {
            slot.m_bSampler = true;
            slot.m_sSampler = sName.substr(6);
            slots.push_back(slot);
            continue;
        }
        if (sName.rfind("orv_vs.", 0) != 0 && sName.rfind("orv_ps.", 0) != 0)
            continue; // the device's own uniforms
        if (LocateUniform(m_pFile->m_aParameters, sName.substr(7), slot.m_uParameter,
                          slot.m_uOffset))
            slots.push_back(slot);
    }
    return slots;
}

void COrvFxPrograms::Upload(unsigned int uProgram, size_t uTechnique, size_t uPass,
                            const std::vector<std::vector<float>>& aafValues)
{
    if (uProgram == 0)
        return;
    const std::vector<SOrvFxSamplerUnit>& aUnits = GetSamplerUnits(uTechnique, uPass);
    for (const SSlot& slot : GetSlots(uProgram))
    {
        if (slot.m_bSampler)
        {
            // "Name", or "Name[0]" for an array: the units of its elements in order.
            std::string sName = slot.m_sSampler.substr(0, slot.m_sSampler.find('['));
            std::vector<GLint> aiUnits;
            for (size_t uUnit = 0; uUnit < aUnits.size(); ++uUnit)
                if (m_pFile->m_aParameters[aUnits[uUnit].m_uParameter].m_sName == sName)
                    aiUnits.push_back(GLint(uUnit));
            if (!aiUnits.empty())
                glUniform1iv(slot.m_iLocation,
                             std::min<GLsizei>(slot.m_iSize, GLsizei(aiUnits.size())),
                             aiUnits.data());
            continue;
        }
        const std::vector<float>& afValue = aafValues[slot.m_uParameter];
        bool bInteger = false;
        bool bMatrix = false;
        int iComponents = ComponentsOf(slot.m_uType, bInteger, bMatrix);
        if (iComponents == 0 || slot.m_uOffset >= afValue.size())
            continue;
        const float* pf = afValue.data() + slot.m_uOffset;
        GLsizei iCount = std::min<GLsizei>(
            slot.m_iSize, GLsizei((afValue.size() - slot.m_uOffset) / size_t(iComponents)));
        if (iCount <= 0)
            continue;
        if (bInteger)
        {
            std::vector<GLint> ai(size_t(iCount) * size_t(iComponents));
            for (size_t i = 0; i < ai.size(); ++i)
                ai[i] = GLint(pf[i]);
            SetIntegerUniform(slot.m_uType, slot.m_iLocation, iCount, ai);
        }
        else
            SetFloatUniform(slot.m_uType, slot.m_iLocation, iCount, pf);
    }
}

void COrvFxPrograms::Release()
{
    if (m_aStages.empty() || !m_pDevice)
        return;
    orv::gl::MakeCurrent(m_pDevice);
    for (SStage& stage : m_aStages)
    {
        if (stage.m_uGlShader == 0)
            continue;
        orv::gl::ForgetShader(m_pDevice, stage.m_uGlShader);
        glDeleteShader(stage.m_uGlShader);
    }
    m_aStages.clear();
    m_slotsByProgram.clear();
}

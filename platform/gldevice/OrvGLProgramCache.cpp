#include "OrvGLProgramCache.h"

#include "OrvPlatformReport.h"

#include <cstring>
#include <vector>

namespace
{
const char* const g_aszUniformNames[ORV_U_COUNT] = {
    "orv_WorldViewProj", "orv_WorldView",    "orv_NormalMatrix",  "orv_Viewport",
    "orv_ClipFixup",     "orv_MatDiffuse",   "orv_MatAmbient",    "orv_MatSpecular",
    "orv_MatEmissive",   "orv_MatPower",     "orv_GlobalAmbient", "orv_LightDiffuse",
    "orv_LightSpecular", "orv_LightAmbient", "orv_LightPosition", "orv_LightDirection",
    "orv_LightAtten",    "orv_LightSpot",    "orv_PointSize",     "orv_PointScale",
    "orv_TexFactor",     "orv_AlphaFunc",    "orv_AlphaRef",      "orv_TexMatrix"};

GLuint Compile(GLenum eStage, const std::string& sSource, std::string& sLog)
{
    GLuint uShader = glCreateShader(eStage);
    const char* szSource = sSource.c_str();
    glShaderSource(uShader, 1, &szSource, nullptr);
    glCompileShader(uShader);
    GLint iOk = 0;
    glGetShaderiv(uShader, GL_COMPILE_STATUS, &iOk);
    if (iOk)
        return uShader;
    char acLog[2048] = {};
    glGetShaderInfoLog(uShader, sizeof(acLog) - 1, nullptr, acLog);
    sLog = acLog + std::string("\n") + sSource;
    glDeleteShader(uShader);
    return 0;
}

GLuint Link(GLuint uVertex, GLuint uFragment, std::string& sLog)
{
    GLuint uProgram = glCreateProgram();
    glAttachShader(uProgram, uVertex);
    glAttachShader(uProgram, uFragment);
    glLinkProgram(uProgram);
    glDetachShader(uProgram, uVertex);
    glDetachShader(uProgram, uFragment);
    GLint iOk = 0;
    glGetProgramiv(uProgram, GL_LINK_STATUS, &iOk);
    if (iOk)
        return uProgram;
    char acLog[2048] = {};
    glGetProgramInfoLog(uProgram, sizeof(acLog) - 1, nullptr, acLog);
    sLog = acLog;
    glDeleteProgram(uProgram);
    return 0;
}

void FindLocations(SOrvProgram& rProgram)
{
    for (int i = 0; i < ORV_U_COUNT; ++i)
        rProgram.m_aiLocation[i] = glGetUniformLocation(rProgram.m_uProgram, g_aszUniformNames[i]);
    glUseProgram(rProgram.m_uProgram);
    for (int i = 0; i < 8; ++i)
    {
        const std::string sName = "orv_Sampler" + std::to_string(i);
        const GLint iLocation = glGetUniformLocation(rProgram.m_uProgram, sName.c_str());
        if (iLocation >= 0)
            glUniform1i(iLocation, i);
    }
}

std::string MakeKey(GLuint uVertexShader, GLuint uFragmentShader, const SOrvFFVertexKey& rVertexKey,
                    const SOrvFFFragmentKey& rFragmentKey)
{
    std::string sKey(2 * sizeof(GLuint), '\0');
    std::memcpy(sKey.data(), &uVertexShader, sizeof(GLuint));
    std::memcpy(sKey.data() + sizeof(GLuint), &uFragmentShader, sizeof(GLuint));
    if (!uVertexShader)
        sKey.append(reinterpret_cast<const char*>(&rVertexKey), sizeof(rVertexKey));
    if (!uFragmentShader)
        sKey.append(reinterpret_cast<const char*>(&rFragmentKey), sizeof(rFragmentKey));
    return sKey;
}
} // namespace

COrvGLProgramCache::~COrvGLProgramCache() = default;

SOrvProgram* COrvGLProgramCache::Get(GLuint uVertexShader, GLuint uFragmentShader,
                                     const SOrvFFVertexKey& rVertexKey,
                                     const SOrvFFFragmentKey& rFragmentKey)
{
    const std::string sKey = MakeKey(uVertexShader, uFragmentShader, rVertexKey, rFragmentKey);
    auto it = m_programs.find(sKey);
    if (it != m_programs.end())
        return &it->second;
    if (m_failed.count(sKey))
        return nullptr;
    std::string sLog;
    GLuint uVertex = uVertexShader;
    GLuint uFragment = uFragmentShader;
    if (!uVertex)
        uVertex = Compile(GL_VERTEX_SHADER, OrvGenerateFFVertexShader(rVertexKey), sLog);
    if (uVertex && !uFragment)
        uFragment = Compile(GL_FRAGMENT_SHADER, OrvGenerateFFFragmentShader(rFragmentKey), sLog);
    GLuint uProgram = (uVertex && uFragment) ? Link(uVertex, uFragment, sLog) : 0;
    if (uVertex && !uVertexShader)
        glDeleteShader(uVertex);
    if (uFragment && !uFragmentShader)
        glDeleteShader(uFragment);
    if (!uProgram)
    {
        OrvReport(("Orv GL device: cannot build a shader program: " + sLog).c_str());
        m_failed[sKey] = true;
        return nullptr;
    }
    SOrvProgram& rProgram = m_programs[sKey];
    rProgram.m_uProgram = uProgram;
    rProgram.m_uVertexShader = uVertexShader;
    rProgram.m_uFragmentShader = uFragmentShader;
    FindLocations(rProgram);
    return &rProgram;
}

void COrvGLProgramCache::Forget(GLuint uShader)
{
    for (auto it = m_programs.begin(); it != m_programs.end();)
    {
        if (uShader &&
            (it->second.m_uVertexShader == uShader || it->second.m_uFragmentShader == uShader))
        {
            glDeleteProgram(it->second.m_uProgram);
            it = m_programs.erase(it);
        }
        else
            ++it;
    }
    for (auto it = m_failed.begin(); it != m_failed.end();)
    {
        GLuint auShaders[2];
        std::memcpy(auShaders, it->first.data(), sizeof(auShaders));
        if (auShaders[0] == uShader || auShaders[1] == uShader)
            it = m_failed.erase(it);
        else
            ++it;
    }
}

void COrvGLProgramCache::Clear()
{
    for (auto& rEntry : m_programs)
        glDeleteProgram(rEntry.second.m_uProgram);
    m_programs.clear();
    m_failed.clear();
}

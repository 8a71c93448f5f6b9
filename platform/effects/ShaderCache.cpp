#include "ShaderCache.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{
const char* const s_pMagic = "ORVFXCACHE1";

uint64_t Fnv1a(uint64_t uHash, const std::string& s)
{
    for (unsigned char c : s)
    {
        uHash ^= c;
        uHash *= 0x100000001b3ull;
    }
    // Separate the fields so that "ab"+"c" and "a"+"bc" differ.
    uHash ^= 0xff;
    uHash *= 0x100000001b3ull;
    return uHash;
}

void WriteList(std::ostream& out, const std::vector<SOrvShaderSignature>& list)
{
    out << list.size() << "\n";
    for (const SOrvShaderSignature& item : list)
        out << item.m_sSemantic << " " << item.m_sGlslName << " " << item.m_sGlslType << " "
            << item.m_uUsage << " " << item.m_uUsageIndex << "\n";
}

bool ReadList(std::istream& in, std::vector<SOrvShaderSignature>& list)
{
    size_t uCount = 0;
    if (!(in >> uCount) || uCount > 64)
        return false;
    list.resize(uCount);
    for (SOrvShaderSignature& item : list)
        if (!(in >> item.m_sSemantic >> item.m_sGlslName >> item.m_sGlslType >> item.m_uUsage >>
              item.m_uUsageIndex))
            return false;
    return true;
}
} // namespace

std::string COrvShaderCache::GetDirectory()
{
    if (const char* pDir = std::getenv("ORV_SHADER_CACHE"); pDir && *pDir)
        return pDir;
    if (const char* pXdg = std::getenv("XDG_CACHE_HOME"); pXdg && *pXdg)
        return std::string(pXdg) + "/orv";
    if (const char* pHome = std::getenv("HOME"); pHome && *pHome)
        return std::string(pHome) + "/.cache/orv";
    return std::string();
}

std::string COrvShaderCache::MakeKey(const std::string& sSource, const SOrvFxShader& shader,
                                     EOrvShaderStage eStage)
{
    uint64_t uHash = 0xcbf29ce484222325ull;
    uHash = Fnv1a(uHash, COrvFxTranslator::GetVersion());
    uHash = Fnv1a(uHash, eStage == EOrvShaderStage::Vertex ? "vs" : "ps");
    uHash = Fnv1a(uHash, shader.m_sEntry);
    uHash = Fnv1a(uHash, shader.m_sProfile);
    for (const std::string& sArgument : shader.m_asArguments)
        uHash = Fnv1a(uHash, sArgument);
    uHash = Fnv1a(uHash, sSource);
    char acKey[17];
    std::snprintf(acKey, sizeof acKey, "%016llx", static_cast<unsigned long long>(uHash));
    return acKey;
}

bool COrvShaderCache::Load(const std::string& sKey, SOrvGlslShader& shader)
{
    std::string sDir = GetDirectory();
    if (sDir.empty())
        return false;
    std::ifstream in(sDir + "/" + sKey + ".glsl", std::ios::binary);
    std::string sMagic;
    int iStage = 0;
    size_t uSamplers = 0;
    size_t uLength = 0;
    if (!(in >> sMagic >> iStage) || sMagic != s_pMagic || !ReadList(in, shader.m_aInputs) ||
        !ReadList(in, shader.m_aOutputs) || !(in >> uSamplers) || uSamplers > 64)
        return false;
    shader.m_eStage = iStage == 0 ? EOrvShaderStage::Vertex : EOrvShaderStage::Pixel;
    shader.m_asSamplers.resize(uSamplers);
    for (std::string& sSampler : shader.m_asSamplers)
        if (!(in >> sSampler))
            return false;
    if (!(in >> uLength) || uLength > (16u << 20) || in.get() != '\n')
        return false;
    shader.m_sGlsl.resize(uLength);
    return bool(in.read(shader.m_sGlsl.data(), std::streamsize(uLength)));
}

void COrvShaderCache::Store(const std::string& sKey, const SOrvGlslShader& shader)
{
    std::string sDir = GetDirectory();
    if (sDir.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(sDir, error);
    std::ostringstream out;
    out << s_pMagic << " " << (shader.m_eStage == EOrvShaderStage::Vertex ? 0 : 1) << "\n";
    WriteList(out, shader.m_aInputs);
    WriteList(out, shader.m_aOutputs);
    out << shader.m_asSamplers.size() << "\n";
    for (const std::string& sSampler : shader.m_asSamplers)
        out << sSampler << "\n";
    out << shader.m_sGlsl.size() << "\n" << shader.m_sGlsl;
    // Write aside and rename, so that a reader never sees half an entry.
    std::string sFinal = sDir + "/" + sKey + ".glsl";
    std::string sTemp = sFinal + ".tmp" + std::to_string(getpid());
    {
        std::ofstream file(sTemp, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file.flush())
        {
            std::filesystem::remove(sTemp, error);
            return;
        }
    }
    std::filesystem::rename(sTemp, sFinal, error);
    if (error)
        std::filesystem::remove(sTemp, error);
}

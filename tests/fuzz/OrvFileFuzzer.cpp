// libFuzzer target: any file given to the demo reader loads or is refused, and a loaded demo
// saves, reloads and steps through frames without a device. Built by tests/fuzz/CMakeLists.txt
// (ORV_FUZZ=ON) against the whole engine and platform.

#include "OrvKernel.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
std::string TempPath(const char* pSuffix)
{
    const char* pDir = std::getenv("TMPDIR");
    return std::string(pDir && *pDir ? pDir : "/tmp") + "/orv_fuzz_orvfile_" +
           std::to_string(getpid()) + pSuffix;
}

bool WriteFile(const std::string& sPath, const void* pData, size_t size)
{
    std::FILE* pFile = std::fopen(sPath.c_str(), "wb");
    if (!pFile)
        return false;
    bool bOk = std::fwrite(pData, 1, size, pFile) == size;
    return std::fclose(pFile) == 0 && bOk;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    static const std::string s_sInput = TempPath(".orv");
    static const std::string s_sSaved = TempPath("_saved.orv");
    if (!WriteFile(s_sInput, pData, size))
        return 0;
    {
        COrvDemo demo;
        if (demo.Load(s_sInput))
        {
            for (float fTime : {0.0f, 17.5f, 4096.0f})
                demo.DrawFrame(fTime);
            std::string sText;
            if (demo.Save(sText) && WriteFile(s_sSaved, sText.data(), sText.size()))
                demo.Load(s_sSaved);
        }
    }
    std::remove(s_sInput.c_str());
    std::remove(s_sSaved.c_str());
    return 0;
}

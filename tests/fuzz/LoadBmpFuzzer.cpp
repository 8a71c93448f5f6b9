// libFuzzer target: any file given to the BMP loader returns a code and leaves a usable
// surface. Built with ORV_FUZZ=ON and run by scripts/fuzz.sh.

#include "surface/OrvSurface.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
const std::string& InputPath()
{
    static const std::string s_Path = []
    {
        const char* pDir = std::getenv("TMPDIR");
        return std::string(pDir && *pDir ? pDir : "/tmp") + "/orv_fuzz_loadbmp_" +
               std::to_string(getpid()) + ".bmp";
    }();
    return s_Path;
}

// Reads every pixel, so that a size that does not match the pixels shows up.
uint32_t Touch(const ORV_Surface& surface)
{
    uint32_t sum = 0;
    for (int i = 0; i < surface.GetWidth() * surface.GetHeight(); ++i)
        sum += surface.GetPixels()[i];
    return sum;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    std::FILE* pFile = std::fopen(InputPath().c_str(), "wb");
    if (!pFile)
        return 0;
    std::fwrite(pData, 1, size, pFile);
    std::fclose(pFile);

    ORV_Surface surface(4, 3);
    surface.Clear();
    const int code = surface.LoadBMP(InputPath().c_str());
    if (code < 0 || code > 6)
        std::abort();
    if (code != 0 && (surface.GetWidth() != 4 || surface.GetHeight() != 3))
        std::abort();
    volatile uint32_t sink = Touch(surface);
    (void)sink;
    surface.Plot(surface.GetWidth() - 1, surface.GetHeight() - 1, 1);
    return 0;
}

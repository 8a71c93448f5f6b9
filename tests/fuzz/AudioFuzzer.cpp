// libFuzzer target: any bytes opened as music are refused, or give a stream of a sane format
// that reads no more frames than its length and seeks within it. Every decoder is reached:
// libvorbisfile, libsndfile (with lengths counted by decoding) and FFmpeg. Built with
// ORV_FUZZ=ON and run by scripts/fuzz.sh.
#include "BassDecoder.h"

extern "C"
{
#include <libavutil/log.h>
}

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using orv::bass::CBassDecoder;

namespace
{
// The input lives in an anonymous file that the decoders open by name.
int InputFile()
{
    static const int s_iFile = memfd_create("orv_fuzz_audio", 0);
    return s_iFile;
}

// Stops with the line of the broken promise.
#define Check(condition) CheckAt(condition, __LINE__)
void CheckAt(bool bCondition, int iLine)
{
    if (bCondition)
        return;
    std::fprintf(stderr, "check failed at line %d\n", iLine);
    std::abort();
}

// Reads at most a few million frames; returns how many came.
int64_t ReadSome(CBassDecoder& decoder, int64_t limit)
{
    std::vector<float> block(4096 * static_cast<size_t>(decoder.GetChannels()));
    int64_t total = 0;
    while (total < limit)
    {
        const int64_t got = decoder.Read(block.data(), 4096);
        Check(got >= 0 && got <= 4096);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const int iFile = InputFile();
    if (iFile < 0 || ftruncate(iFile, 0) != 0 ||
        pwrite(iFile, pData, uSize, 0) != static_cast<ssize_t>(uSize))
        return 0;
    auto pDecoder = CBassDecoder::Open("/proc/self/fd/" + std::to_string(iFile));
    if (!pDecoder)
        return 0;
    const int64_t frames = pDecoder->GetFrames();
    Check(pDecoder->GetRate() > 0 && pDecoder->GetChannels() > 0 && frames >= 0);
    Check(ReadSome(*pDecoder, int64_t{1} << 22) <= frames);
    if (pDecoder->Seek(frames / 2))
        Check(ReadSome(*pDecoder, 5000) <= frames - frames / 2);
    if (pDecoder->Seek(frames))
        Check(ReadSome(*pDecoder, 10) == 0);
    Check(!pDecoder->Seek(frames + 1));
    return 0;
}

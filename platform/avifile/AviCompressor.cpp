#include "AviCompressor.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <mutex>
#include <vector>

namespace orv::avi
{
namespace
{

std::mutex g_mutex;
std::string g_sChoice; // empty: chosen by container
int g_iQuality = -1;

const AVCodec* FindVideoEncoder(const std::string& sName)
{
    const AVCodec* pCodec = avcodec_find_encoder_by_name(sName.c_str());
    if (pCodec == nullptr || pCodec->type != AVMEDIA_TYPE_VIDEO)
    {
        return nullptr;
    }
    return pCodec;
}

// Codecs that FFmpeg reads but cannot write, and the nearest one it writes in their place.
// Microsoft MPEG-4 version 1 ("MPG4", "MP41") becomes version 2: the same family, every
// player that reads the one reads the other, and the file is labelled "MP42" because that
// is what it holds.
struct SSubstitute
{
    AVCodecID idWanted;
    const char* szEncoder;
};
const SSubstitute s_aSubstitutes[] = {{AV_CODEC_ID_MSMPEG4V1, "msmpeg4v2"}};

const AVCodec* FindEncoderFor(AVCodecID id)
{
    const AVCodec* pCodec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
    for (const SSubstitute& substitute : s_aSubstitutes)
    {
        if (pCodec == nullptr && substitute.idWanted == id)
        {
            pCodec = FindVideoEncoder(substitute.szEncoder);
        }
    }
    return pCodec;
}

} // namespace

std::string GetDefaultCompressor()
{
    // High quality at real-time speed first; then lossless ones; then what every build has.
    static const char* const s_aszPreferred[] = {"libx264", "mjpeg", "ffv1", "huffyuv", "rawvideo"};
    for (const char* szName : s_aszPreferred)
    {
        if (FindVideoEncoder(szName) != nullptr)
        {
            return szName;
        }
    }
    return "rawvideo";
}

std::string GetCompressor()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_sChoice.empty())
        {
            return g_sChoice;
        }
    }
    return GetDefaultCompressor();
}

bool SetCompressor(const char* szEncoder)
{
    if (szEncoder != nullptr && FindVideoEncoder(szEncoder) == nullptr)
    {
        return false;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sChoice = szEncoder != nullptr ? szEncoder : "";
    return true;
}

bool IsCompressorChosen()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return !g_sChoice.empty();
}

std::string GetCompressorForContainer(const std::string& sMuxer)
{
    if (IsCompressorChosen() || sMuxer == "avi")
    {
        return GetCompressor();
    }
    std::vector<const char*> preferred = {"libx264", "mpeg4"};
    if (sMuxer == "matroska" || sMuxer == "webm")
    {
        preferred = {"libvpx-vp9", "libsvtav1", "libaom-av1", "libvpx"};
    }
    for (const char* szName : preferred)
    {
        if (FindVideoEncoder(szName) != nullptr && ContainerTakes(sMuxer, szName))
        {
            return szName;
        }
    }
    // Anything else: what the muxer itself would pick.
    const AVOutputFormat* pFormat = av_guess_format(sMuxer.c_str(), nullptr, nullptr);
    const AVCodec* pCodec =
        pFormat != nullptr ? avcodec_find_encoder(pFormat->video_codec) : nullptr;
    return pCodec != nullptr ? pCodec->name : GetCompressor();
}

bool ContainerTakes(const std::string& sMuxer, const std::string& sEncoder)
{
    const AVOutputFormat* pFormat = av_guess_format(sMuxer.c_str(), nullptr, nullptr);
    const AVCodec* pCodec = FindVideoEncoder(sEncoder);
    // 0: it cannot; negative: the muxer does not say, and writing will tell.
    return pFormat != nullptr && pCodec != nullptr &&
           avformat_query_codec(pFormat, pCodec->id, FF_COMPLIANCE_NORMAL) != 0;
}

void SetQuality(int iQuality)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_iQuality = iQuality < 0 ? -1 : std::min(iQuality, 63);
}

int GetQuality()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_iQuality;
}

DWORD GetCompressorFourCC(const std::string& sEncoder)
{
    const AVCodec* pCodec = FindVideoEncoder(sEncoder);
    if (pCodec == nullptr)
    {
        return 0;
    }
    const AVCodecTag* const aTables[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_tag(aTables, pCodec->id);
}

std::string FindCompressorForFourCC(DWORD dwFourCC)
{
    return FindCompressorForFourCC(dwFourCC, GetCompressor());
}

std::string FindCompressorForFourCC(DWORD dwFourCC, const std::string& sPreferred)
{
    const std::string& sChoice = sPreferred;
    if (dwFourCC == 0 || GetCompressorFourCC(sChoice) == dwFourCC)
    {
        return sChoice;
    }
    const AVCodecTag* const aTables[] = {avformat_get_riff_video_tags(), nullptr};
    const AVCodec* pCodec = FindEncoderFor(av_codec_get_id(aTables, dwFourCC));
    return pCodec != nullptr ? pCodec->name : std::string();
}

} // namespace orv::avi

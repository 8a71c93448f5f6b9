#include "Waveform.h"

#include "vfw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orv::editor
{
namespace
{
// Streams of the platform's AVIFile reader, released in reverse order of opening.
struct SSoundFile
{
    PAVIFILE pFile = nullptr;
    PAVISTREAM pStream = nullptr;

    SSoundFile() { AVIFileInit(); }
    ~SSoundFile()
    {
        if (pStream)
            AVIStreamRelease(pStream);
        if (pFile)
            AVIFileRelease(pFile);
        AVIFileExit();
    }
    SSoundFile(const SSoundFile&) = delete;
    SSoundFile& operator=(const SSoundFile&) = delete;
};

constexpr LONG kReadFrames = 65536;
} // namespace

void CWaveform::Clear()
{
    m_sPath.clear();
    m_vMin.clear();
    m_vMax.clear();
    m_dBlockSeconds = 0.0;
    m_dSeconds = 0.0;
}

bool CWaveform::Load(const std::string& sPath, std::string& sError)
{
    Clear();
    SSoundFile sound;
    AVISTREAMINFOA info{};
    if (AVIFileOpenA(&sound.pFile, sPath.c_str(), OF_READ, nullptr) != AVIERR_OK ||
        AVIFileGetStream(sound.pFile, &sound.pStream, streamtypeAUDIO, 0) != AVIERR_OK ||
        AVIStreamInfoA(sound.pStream, &info, sizeof(info)) != AVIERR_OK || info.dwRate == 0 ||
        info.dwScale == 0)
    {
        sError = "cannot read the sound of " + sPath;
        return false;
    }
    // The reader gives 16-bit interleaved stereo at the file's own rate.
    std::vector<int16_t> vSamples(static_cast<size_t>(kReadFrames) * 2);
    int iInBlock = 0;
    LONG lStart = 0;
    for (;;)
    {
        LONG lRead = 0;
        if (AVIStreamRead(sound.pStream, lStart, kReadFrames, vSamples.data(),
                          static_cast<LONG>(vSamples.size() * sizeof(int16_t)), nullptr,
                          &lRead) != AVIERR_OK)
        {
            Clear();
            sError = "cannot decode the sound of " + sPath;
            return false;
        }
        if (lRead <= 0)
            break;
        for (LONG i = 0; i < lRead * 2; ++i)
        {
            if (iInBlock == 0)
            {
                m_vMin.push_back(1.0f);
                m_vMax.push_back(-1.0f);
            }
            const float fSample = static_cast<float>(vSamples[static_cast<size_t>(i)]) / 32768.0f;
            m_vMin.back() = std::min(m_vMin.back(), fSample);
            m_vMax.back() = std::max(m_vMax.back(), fSample);
            iInBlock = (iInBlock + 1) % (kBlockFrames * 2);
        }
        lStart += lRead;
    }
    const double dRate = static_cast<double>(info.dwRate) / info.dwScale;
    m_dBlockSeconds = kBlockFrames / dRate;
    m_dSeconds = lStart / dRate;
    m_sPath = sPath;
    return true;
}

bool CWaveform::GetRange(double dFrom, double dTo, float& fMin, float& fMax) const
{
    if (m_vMin.empty() || !(dTo > dFrom) || dTo <= 0.0 || dFrom >= m_dSeconds)
        return false;
    const double dLast = static_cast<double>(m_vMin.size() - 1);
    const size_t first =
        static_cast<size_t>(std::clamp(std::floor(dFrom / m_dBlockSeconds), 0.0, dLast));
    const size_t last =
        static_cast<size_t>(std::clamp(std::ceil(dTo / m_dBlockSeconds) - 1.0, 0.0, dLast));
    fMin = 1.0f;
    fMax = -1.0f;
    for (size_t i = first; i <= last; ++i)
    {
        fMin = std::min(fMin, m_vMin[i]);
        fMax = std::max(fMax, m_vMax[i]);
    }
    return true;
}
} // namespace orv::editor

#include "OrvAvi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{

// The message boxes of the capture code become lines on standard error.
void ShowError(const char* szText)
{
    std::fprintf(stderr, "Error: %s\n", szText);
}

// The bitmap header of the frames, followed by one empty colour entry.
BITMAPINFO MakeFrameFormat(int iWidth, int iHeight)
{
    BITMAPINFO format{};
    BITMAPINFOHEADER& header = format.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = iWidth;
    header.biHeight = iHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(iWidth) * static_cast<DWORD>(iHeight) * 3;
    header.biXPelsPerMeter = 2000;
    header.biYPelsPerMeter = 2000;
    return format;
}

// Releases a stream handle, if any, and clears it.
void ReleaseStream(PAVISTREAM& pStream)
{
    if (pStream != nullptr)
    {
        AVIStreamRelease(pStream);
        pStream = nullptr;
    }
}

} // namespace

ORV_Avi::ORV_Avi() = default;

ORV_Avi::~ORV_Avi()
{
    Free();
}

void ORV_Avi::Free()
{
    ReleaseStream(m_pCompressed);
    ReleaseStream(m_pStream);
    if (m_pFile != nullptr)
    {
        AVIFileRelease(m_pFile);
        m_pFile = nullptr;
    }
}

int ORV_Avi::CreateAVI(HWND /*hWnd*/, const char* szFileName, int iWidth, int iHeight, int iFps)
{
    if (OpenVideo(szFileName, iWidth, iHeight, iFps) != 0)
    {
        Free();
        return 1;
    }
    return 0;
}

int ORV_Avi::OpenVideo(const char* szFileName, int iWidth, int iHeight, int iFps)
{
    m_iWidth = iWidth;
    m_iHeight = iHeight;
    m_lFrame = 0;
    Free();
    AVIFileInit();
    if (szFileName == nullptr || iWidth <= 0 || iHeight <= 0 || iFps <= 0)
    {
        return 1;
    }
    // An existing file of that name goes; a folder of that name is left alone.
    std::error_code ec;
    if (std::filesystem::symlink_status(szFileName, ec).type() !=
        std::filesystem::file_type::directory)
    {
        std::remove(szFileName);
    }
    if (AVIFileOpenA(&m_pFile, szFileName, OF_WRITE | OF_CREATE, nullptr) != 0)
    {
        return 1;
    }
    BITMAPINFO format = MakeFrameFormat(iWidth, iHeight);
    std::memset(&m_header, 0, sizeof(m_header));
    m_header.fccType = streamtypeVIDEO;
    m_header.fccHandler = 0;
    m_header.dwScale = 1;
    m_header.dwRate = static_cast<DWORD>(iFps);
    m_header.dwSuggestedBufferSize = format.bmiHeader.biSizeImage;
    m_header.rcFrame = RECT{0, 0, iWidth, iHeight};
    std::memcpy(m_header.szName, m_szTitle, sizeof(m_header.szName));
    if (AVIFileCreateStreamA(m_pFile, &m_pStream, &m_header) != 0)
    {
        return 1;
    }
    AVICOMPRESSOPTIONS options{};
    AVICOMPRESSOPTIONS* apOptions[1] = {&options};
    if (AVISaveOptions(nullptr, 0, 1, &m_pStream, apOptions) != 1)
    {
        return 1;
    }
    if (AVIMakeCompressedStream(&m_pCompressed, m_pStream, &options, nullptr) != 0)
    {
        ShowError("AVIMakeCompressedStream");
        return 1;
    }
    if (AVIStreamSetFormat(m_pCompressed, 0, &format, sizeof(format)) != 0)
    {
        ShowError("AVIStreamSetFormat");
        return 1;
    }
    return 0;
}

int ORV_Avi::CreateAVIWithSound(HWND hWnd, const char* szFileName, const char* szSoundFile,
                                int iWidth, int iHeight, int iFps)
{
    if (CreateAVI(hWnd, szFileName, iWidth, iHeight, iFps) != 0)
    {
        return 1;
    }
    if (AddWAV(szSoundFile, hWnd) != 0)
    {
        ShowError("Error while creating audio stream -> no audio");
    }
    return 0;
}

void ORV_Avi::SetVideoTitle(const char* szTitle)
{
    std::snprintf(m_szTitle, sizeof(m_szTitle), "%s", szTitle != nullptr ? szTitle : "");
}

void ORV_Avi::AddFrame(BYTE* pBits)
{
    if (m_pCompressed == nullptr || pBits == nullptr)
    {
        // A closed recorder has nowhere to write the frame.
        return;
    }
    LONG lSamples = 0;
    LONG lBytes = 0;
    LONG cbFrame = static_cast<LONG>(m_iWidth) * m_iHeight * 3;
    AVIStreamWrite(m_pCompressed, m_lFrame, 1, pBits, cbFrame, AVIIF_KEYFRAME, &lSamples, &lBytes);
    if (lSamples != 1)
    {
        ShowError("Image lost!");
    }
    ++m_lFrame;
}

bool ORV_Avi::AddDeviceFrame(const BYTE* pPixels, int iPitch)
{
    if (m_pCompressed == nullptr || pPixels == nullptr)
    {
        return false;
    }
    if (AVIStreamWriteDeviceFrame(m_pCompressed, m_lFrame, pPixels, iPitch) != AVIERR_OK)
    {
        ShowError("Image lost!");
        return false;
    }
    ++m_lFrame;
    return true;
}

namespace
{

// What AddWAV opens and makes, released in one place whatever step fails.
struct SSoundCopy
{
    PAVIFILE pSourceFile = nullptr;
    PAVISTREAM pSource = nullptr;
    PAVISTREAM pTarget = nullptr;
    PAVISTREAM pCompressed = nullptr;

    ~SSoundCopy()
    {
        ReleaseStream(pCompressed);
        ReleaseStream(pTarget);
        ReleaseStream(pSource);
        if (pSourceFile != nullptr)
        {
            AVIFileRelease(pSourceFile);
        }
    }
};

} // namespace

int ORV_Avi::AddWAV(const char* szSoundFile, HWND /*hWnd*/)
{
    return AddWAVFrom(szSoundFile, 0.0);
}

bool ORV_Avi::GetCompressorTiming(AVICOMPRESSORTIMING& rTiming) const
{
    rTiming = AVICOMPRESSORTIMING{};
    return m_pCompressed != nullptr && AVIStreamGetCompressorTiming(m_pCompressed, &rTiming) == 0;
}

int ORV_Avi::AddWAVFrom(const char* szSoundFile, double dStartSeconds)
{
    SSoundCopy copy;
    if (m_pFile == nullptr || szSoundFile == nullptr ||
        AVIFileOpenA(&copy.pSourceFile, szSoundFile, OF_READ, nullptr) != 0)
    {
        return 1;
    }
    if (AVIFileGetStream(copy.pSourceFile, &copy.pSource, streamtypeAUDIO, 0) != 0)
    {
        return 1;
    }
    AVISTREAMINFOA header{};
    AVIStreamInfoA(copy.pSource, &header, sizeof(header));
    LONG cbFormat = 0;
    AVIStreamReadFormat(copy.pSource, 0, nullptr, &cbFormat);
    PCMWAVEFORMAT format{};
    if (cbFormat > static_cast<LONG>(sizeof(format)) ||
        AVIStreamReadFormat(copy.pSource, 0, &format, &cbFormat) != 0)
    {
        return 1;
    }
    LONG lLength = AVIStreamLength(copy.pSource);
    if (lLength <= 0 || lLength > (1L << 29) || !(dStartSeconds >= 0.0))
    {
        return 1;
    }
    // The sound of a recording that starts later in the show starts as late in the music.
    const double dFirst = dStartSeconds * header.dwRate / (header.dwScale ? header.dwScale : 1);
    const LONG lFirst = static_cast<LONG>(std::min<double>(std::floor(dFirst + 0.5), lLength));
    lLength -= lFirst;
    if (lLength <= 0)
    {
        return 1;
    }
    std::vector<BYTE> buffer(static_cast<size_t>(lLength) * 4);
    LONG lBytes = 0;
    LONG lRead = 0;
    if (AVIStreamRead(copy.pSource, lFirst, lLength, buffer.data(),
                      static_cast<LONG>(buffer.size()), &lBytes, &lRead) != 0)
    {
        return 1;
    }
    if (AVIFileCreateStreamA(m_pFile, &copy.pTarget, &header) != 0)
    {
        return 1;
    }
    AVIStreamSetFormat(copy.pTarget, 0, &format, sizeof(format));
    AVICOMPRESSOPTIONS options{};
    AVICOMPRESSOPTIONS* apOptions[1] = {&options};
    if (AVISaveOptions(nullptr, 0, 1, &copy.pTarget, apOptions) != 1)
    {
        return 1;
    }
    if (AVIMakeCompressedStream(&copy.pCompressed, copy.pTarget, &options, nullptr) != 0)
    {
        ShowError("AVIMakeCompressedStream");
        return 1;
    }
    // The whole sound goes in, not only its first 100 kB.
    if (AVIStreamWrite(copy.pCompressed, 0, 1, buffer.data(), lBytes, AVIIF_KEYFRAME, nullptr,
                       nullptr) != 0)
    {
        ShowError("AVIStreamWrite - audio");
        return 1;
    }
    return 0;
}

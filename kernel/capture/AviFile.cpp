#include "AviFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace
{

// The most the frame buffer may take: a frame of 16384 x 16384 pixels at 32 bits.
constexpr uint64_t kMaxHeapBytes = uint64_t(1) << 30;

const char* const kSucceeded = "Method Succeeded";
const char* const kFrameUnlikeMovie =
    "Frame Size or Depth Differs from the First Frame of the Movie";

} // namespace

CAviFile::CAviFile(LPCSTR szFileName, DWORD dwCodec, DWORD dwFrameRate)
    : m_dwFrameRate(dwFrameRate), m_dwCodec(dwCodec)
{
    AVIFileInit();
    // A name that does not fit stays empty, so that the movie is refused rather than
    // written under a shortened name.
    if (szFileName != nullptr && std::strlen(szFileName) < sizeof(m_szFileName))
    {
        std::strcpy(m_szFileName, szFileName);
    }
    SetErrorMessage(kSucceeded);
    FillTables();
    m_iAppendState = 1;
}

CAviFile::~CAviFile()
{
    ReleaseMemory();
    AVIFileExit();
}

CAviFile::CAviFile(CAviFile&& other) noexcept
{
    AVIFileInit();
    TakeOver(other);
}

CAviFile& CAviFile::operator=(CAviFile&& other) noexcept
{
    if (this != &other)
    {
        ReleaseMemory();
        TakeOver(other);
    }
    return *this;
}

void CAviFile::TakeOver(CAviFile& other)
{
    m_hDC = std::exchange(other.m_hDC, nullptr);
    m_cbHeap = std::exchange(other.m_cbHeap, 0);
    m_pFrameBuffer = std::move(other.m_pFrameBuffer);
    m_lSample = other.m_lSample;
    m_pFile = std::exchange(other.m_pFile, nullptr);
    m_pStream = std::exchange(other.m_pStream, nullptr);
    m_pCompressed = std::exchange(other.m_pCompressed, nullptr);
    m_header = other.m_header;
    m_options = other.m_options;
    m_dwFrameRate = other.m_dwFrameRate;
    m_dwCodec = other.m_dwCodec;
    std::memcpy(m_szFileName, other.m_szFileName, sizeof(m_szFileName));
    std::memcpy(m_szLastError, other.m_szLastError, sizeof(m_szLastError));
    m_iAppendState = std::exchange(other.m_iAppendState, 0);
    m_iWidth = other.m_iWidth;
    m_iHeight = other.m_iHeight;
    m_iBitCount = other.m_iBitCount;
    FillTables();
}

void CAviFile::FillTables()
{
    m_apfnBitmap[0] = &CAviFile::AppendDummy;
    m_apfnBitmap[1] = &CAviFile::AppendFrameFirstTime;
    m_apfnBitmap[2] = &CAviFile::AppendFrameUsual;
    m_apfnRaw[0] = &CAviFile::AppendDummy;
    m_apfnRaw[1] = &CAviFile::AppendFrameFirstTime;
    m_apfnRaw[2] = &CAviFile::AppendFrameUsual;
}

HRESULT CAviFile::AppendNewFrame(HBITMAP hBitmap)
{
    return (this->*m_apfnBitmap[m_iAppendState])(hBitmap);
}

HRESULT CAviFile::AppendNewFrame(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel)
{
    return (this->*m_apfnRaw[m_iAppendState])(iWidth, iHeight, pBits, iBitsPerPixel);
}

void CAviFile::SetErrorMessage(LPCSTR szText)
{
    std::strncpy(m_szLastError, szText, sizeof(m_szLastError) - 1);
    m_szLastError[sizeof(m_szLastError) - 1] = '\0';
}

HRESULT CAviFile::Fail(LPCSTR szText)
{
    SetErrorMessage(szText);
    return E_FAIL;
}

HRESULT CAviFile::InitMovieCreation(int iWidth, int iHeight, int iBitsPerPixel)
{
    HRESULT hr = CreateFrameBuffer(iWidth, iHeight);
    if (SUCCEEDED(hr))
    {
        hr = CreateStreams(iWidth, iHeight, iBitsPerPixel);
    }
    if (SUCCEEDED(hr))
    {
        m_iWidth = iWidth;
        m_iHeight = iHeight;
        m_iBitCount = iBitsPerPixel;
    }
    return hr;
}

HRESULT CAviFile::CreateFrameBuffer(int iWidth, int iHeight)
{
    int iScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    int iScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    m_hDC = CreateCompatibleDC(nullptr);
    if (m_hDC == nullptr)
    {
        return Fail("Unable to Create Compatible DC");
    }
    // Room for the frame at 32 bits per pixel, even when it is larger than the screen.
    uint64_t cbBuffer = static_cast<uint64_t>(std::max<int64_t>(iScreenWidth, std::abs(iWidth))) *
                        static_cast<uint64_t>(std::max<int64_t>(iScreenHeight, std::abs(iHeight))) *
                        4;
    if (cbBuffer == 0 || cbBuffer > kMaxHeapBytes)
    {
        return Fail("Unable to Create Heap");
    }
    m_cbHeap = static_cast<size_t>(cbBuffer);
    m_pFrameBuffer.reset(new (std::nothrow) BYTE[m_cbHeap]());
    if (!m_pFrameBuffer)
    {
        return Fail("Unable to Allocate Memory on Heap");
    }
    return S_OK;
}

HRESULT CAviFile::CreateStreams(int iWidth, int iHeight, int iBitsPerPixel)
{
    if (m_szFileName[0] == '\0' ||
        FAILED(AVIFileOpenA(&m_pFile, m_szFileName, OF_WRITE | OF_CREATE, nullptr)))
    {
        return Fail("Unable to Create the Movie File");
    }
    m_header = AVISTREAMINFOA{};
    m_header.fccType = streamtypeVIDEO;
    m_header.fccHandler = m_dwCodec;
    m_header.dwScale = 1;
    m_header.dwRate = m_dwFrameRate;
    m_header.dwQuality = static_cast<DWORD>(-1);
    m_header.dwSuggestedBufferSize = static_cast<DWORD>(m_cbHeap);
    m_header.rcFrame = RECT{0, 0, iWidth, iHeight};
    std::strcpy(m_header.szName, "Video Stream");
    if (FAILED(AVIFileCreateStreamA(m_pFile, &m_pStream, &m_header)))
    {
        return Fail("Unable to Create Video Stream in the Movie File");
    }
    m_options = AVICOMPRESSOPTIONS{};
    m_options.fccType = streamtypeVIDEO;
    m_options.fccHandler = m_dwCodec;
    m_options.dwKeyFrameEvery = 1;
    m_options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    if (FAILED(AVIMakeCompressedStream(&m_pCompressed, m_pStream, &m_options, nullptr)))
    {
        return Fail("Unable to Create Compressed Stream: Check your CODEC options");
    }
    BITMAPINFOHEADER format{};
    format.biSize = sizeof(BITMAPINFOHEADER);
    format.biWidth = iWidth;
    format.biHeight = iHeight;
    format.biPlanes = 1;
    format.biBitCount = static_cast<WORD>(iBitsPerPixel);
    format.biCompression = BI_RGB;
    format.biSizeImage =
        static_cast<DWORD>(int64_t(format.biBitCount) * iWidth * int64_t(iHeight) / 8);
    if (FAILED(AVIStreamSetFormat(m_pCompressed, 0, &format, sizeof(format))))
    {
        return Fail("Unable to Set Video Stream Format");
    }
    return S_OK;
}

HRESULT CAviFile::AppendDummy(HBITMAP /*hBitmap*/)
{
    return E_FAIL;
}

HRESULT CAviFile::AppendDummy(int /*iWidth*/, int /*iHeight*/, const void* /*pBits*/,
                              int /*iBitsPerPixel*/)
{
    return E_FAIL;
}

HRESULT CAviFile::AppendFrameFirstTime(HBITMAP hBitmap)
{
    BITMAP bitmap{};
    GetObjectA(hBitmap, sizeof(bitmap), &bitmap);
    if (FAILED(InitMovieCreation(bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel)))
    {
        ReleaseMemory();
        return E_FAIL;
    }
    m_iAppendState = 2;
    return AppendFrameUsual(hBitmap);
}

HRESULT CAviFile::AppendFrameFirstTime(int iWidth, int iHeight, const void* pBits,
                                       int iBitsPerPixel)
{
    if (FAILED(InitMovieCreation(iWidth, iHeight, iBitsPerPixel)))
    {
        ReleaseMemory();
        return E_FAIL;
    }
    m_iAppendState = 2;
    return AppendFrameUsual(iWidth, iHeight, pBits, iBitsPerPixel);
}

bool CAviFile::AcceptFrame(int iWidth, int iHeight, int iBitsPerPixel)
{
    if (iWidth == m_iWidth && iHeight == m_iHeight && iBitsPerPixel == m_iBitCount)
    {
        return true;
    }
    SetErrorMessage(kFrameUnlikeMovie);
    return false;
}

HRESULT CAviFile::AppendFrameUsual(HBITMAP hBitmap)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biBitCount = 0;
    GetDIBits(m_hDC, hBitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS);
    BITMAPINFOHEADER& header = info.bmiHeader;
    if (!AcceptFrame(header.biWidth, header.biHeight, header.biBitCount) ||
        header.biSizeImage > m_cbHeap)
    {
        // A deleted bitmap describes as nothing at all and is refused here too.
        return E_FAIL;
    }
    header.biCompression = BI_RGB;
    GetDIBits(m_hDC, hBitmap, 0, static_cast<UINT>(header.biHeight), m_pFrameBuffer.get(), &info,
              DIB_RGB_COLORS);
    return WriteFrame(m_pFrameBuffer.get(), static_cast<LONG>(header.biSizeImage));
}

HRESULT CAviFile::AppendFrameUsual(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel)
{
    if (!AcceptFrame(iWidth, iHeight, iBitsPerPixel))
    {
        return E_FAIL;
    }
    int64_t cbBits = int64_t(iWidth) * iHeight * iBitsPerPixel / 8;
    return WriteFrame(pBits, static_cast<LONG>(std::abs(cbBits)));
}

HRESULT CAviFile::WriteFrame(const void* pBits, LONG cbBits)
{
    HRESULT hr = AVIStreamWrite(m_pCompressed, m_lSample++, 1, const_cast<void*>(pBits), cbBits, 0,
                                nullptr, nullptr);
    if (FAILED(hr))
    {
        SetErrorMessage("Unable to Write Video Stream to the output Movie File");
        ReleaseMemory();
        return E_FAIL;
    }
    return S_OK;
}

void CAviFile::ReleaseMemory()
{
    m_iAppendState = 0;
    if (m_hDC != nullptr)
    {
        DeleteDC(m_hDC);
        m_hDC = nullptr;
    }
    if (m_pCompressed != nullptr)
    {
        AVIStreamRelease(m_pCompressed);
        m_pCompressed = nullptr;
    }
    if (m_pStream != nullptr)
    {
        AVIStreamRelease(m_pStream);
        m_pStream = nullptr;
    }
    if (m_pFile != nullptr)
    {
        AVIFileRelease(m_pFile);
        m_pFile = nullptr;
    }
    m_pFrameBuffer.reset();
    m_cbHeap = 0;
}

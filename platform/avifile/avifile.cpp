// The AVIFile calls: handles for files and streams, counted as the original's interfaces
// are, dispatching to the FFmpeg writer or reader behind the file.
#include "AviCompressor.h"
#include "AviReader.h"
#include "AviWriter.h"
#include "vfw.h"

extern "C"
{
#include <libavutil/log.h>
}

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

struct IAVIFile
{
    std::atomic<ULONG> ulRefs{1};
    std::unique_ptr<orv::avi::CAviWriter> pWriter;
    std::unique_ptr<orv::avi::CAviReader> pReader;
};

struct IAVIStream
{
    std::atomic<ULONG> ulRefs{1};
    PAVIFILE pFile = nullptr; // counted: a stream keeps its file open
    int iIndex = 0;
    bool bCompressed = false;
    std::string sEncoder; // compressing streams: the video encoder
};

namespace
{

std::atomic<int> g_iInitCount{0};

// The video encoder for the streams of a file: chosen by the host, else by the container.
std::string CompressorFor(PAVIFILE pFile)
{
    return pFile->pWriter ? orv::avi::GetCompressorForContainer(pFile->pWriter->GetMuxer())
                          : orv::avi::GetCompressor();
}

PAVISTREAM NewStream(PAVIFILE pFile, int iIndex)
{
    PAVISTREAM pStream = new IAVIStream;
    pFile->ulRefs.fetch_add(1);
    pStream->pFile = pFile;
    pStream->iIndex = iIndex;
    return pStream;
}

} // namespace

extern "C"
{

    void AVIFileInit(void)
    {
        if (g_iInitCount.fetch_add(1) == 0)
        {
            // Encoders and demuxers speak only of real trouble.
            av_log_set_level(AV_LOG_ERROR);
        }
    }

    void AVIFileExit(void)
    {
        if (g_iInitCount.load() > 0)
        {
            g_iInitCount.fetch_sub(1);
        }
    }

    HRESULT AVIFileOpenA(PAVIFILE* ppfile, LPCSTR szFile, UINT uMode, CLSID* /*lpHandler*/)
    {
        if (ppfile == nullptr || szFile == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        *ppfile = nullptr;
        auto pFile = std::make_unique<IAVIFile>();
        HRESULT hr;
        if ((uMode & (OF_WRITE | OF_CREATE)) != 0)
        {
            pFile->pWriter = std::make_unique<orv::avi::CAviWriter>();
            hr = pFile->pWriter->Create(szFile);
        }
        else
        {
            pFile->pReader = std::make_unique<orv::avi::CAviReader>();
            hr = pFile->pReader->Open(szFile);
        }
        if (hr != AVIERR_OK)
        {
            return hr;
        }
        *ppfile = pFile.release();
        return AVIERR_OK;
    }

    ULONG AVIFileRelease(PAVIFILE pfile)
    {
        if (pfile == nullptr)
        {
            return 0;
        }
        ULONG ulLeft = pfile->ulRefs.fetch_sub(1) - 1;
        if (ulLeft == 0)
        {
            delete pfile;
        }
        return ulLeft;
    }

    HRESULT AVIFileCreateStreamA(PAVIFILE pfile, PAVISTREAM* ppavi, AVISTREAMINFOA* psi)
    {
        if (ppavi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        *ppavi = nullptr;
        if (pfile == nullptr || psi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (!pfile->pWriter)
        {
            return AVIERR_READONLY;
        }
        int iIndex = 0;
        HRESULT hr = pfile->pWriter->CreateStream(*psi, &iIndex);
        if (hr == AVIERR_OK)
        {
            *ppavi = NewStream(pfile, iIndex);
        }
        return hr;
    }

    HRESULT AVIFileGetStream(PAVIFILE pfile, PAVISTREAM* ppavi, DWORD fccType, LONG lParam)
    {
        if (ppavi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        *ppavi = nullptr;
        if (pfile == nullptr || !pfile->pReader)
        {
            return AVIERR_NODATA;
        }
        int iIndex = pfile->pReader->FindStream(fccType, lParam);
        if (iIndex < 0)
        {
            return AVIERR_NODATA;
        }
        *ppavi = NewStream(pfile, iIndex);
        return AVIERR_OK;
    }

    ULONG AVIStreamRelease(PAVISTREAM pavi)
    {
        if (pavi == nullptr)
        {
            return 0;
        }
        ULONG ulLeft = pavi->ulRefs.fetch_sub(1) - 1;
        if (ulLeft == 0)
        {
            AVIFileRelease(pavi->pFile);
            delete pavi;
        }
        return ulLeft;
    }

    HRESULT AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize)
    {
        if (pavi == nullptr || psi == nullptr || lSize <= 0)
        {
            return AVIERR_BADPARAM;
        }
        AVISTREAMINFOA info{};
        if (pavi->pFile->pReader)
        {
            pavi->pFile->pReader->GetInfo(pavi->iIndex, &info);
        }
        else
        {
            info = *pavi->pFile->pWriter->GetInfo(pavi->iIndex);
            info.dwLength = static_cast<DWORD>(pavi->pFile->pWriter->GetLength(pavi->iIndex));
        }
        std::memcpy(psi, &info, std::min<size_t>(sizeof(info), static_cast<size_t>(lSize)));
        return AVIERR_OK;
    }

    HRESULT AVIStreamReadFormat(PAVISTREAM pavi, LONG /*lPos*/, LPVOID lpFormat, LONG* lpcbFormat)
    {
        if (pavi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (pavi->pFile->pReader)
        {
            return pavi->pFile->pReader->ReadFormat(pavi->iIndex, lpFormat, lpcbFormat);
        }
        return pavi->pFile->pWriter->ReadFormat(pavi->iIndex, lpFormat, lpcbFormat);
    }

    HRESULT AVIStreamSetFormat(PAVISTREAM pavi, LONG lPos, LPVOID lpFormat, LONG cbFormat)
    {
        if (pavi == nullptr || lPos != 0)
        {
            return AVIERR_BADPARAM;
        }
        if (!pavi->pFile->pWriter)
        {
            return AVIERR_READONLY;
        }
        // A stream without a compressor in front stores its frames as they come.
        std::string sEncoder = pavi->bCompressed ? pavi->sEncoder : "rawvideo";
        return pavi->pFile->pWriter->SetFormat(pavi->iIndex, lpFormat, cbFormat, sEncoder);
    }

    HRESULT AVIStreamRead(PAVISTREAM pavi, LONG lStart, LONG lSamples, LPVOID lpBuffer,
                          LONG cbBuffer, LONG* plBytes, LONG* plSamples)
    {
        if (plBytes != nullptr)
        {
            *plBytes = 0;
        }
        if (plSamples != nullptr)
        {
            *plSamples = 0;
        }
        if (pavi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (!pavi->pFile->pReader)
        {
            return AVIERR_UNSUPPORTED;
        }
        return pavi->pFile->pReader->Read(pavi->iIndex, lStart, lSamples, lpBuffer, cbBuffer,
                                          plBytes, plSamples);
    }

    HRESULT AVIStreamWrite(PAVISTREAM pavi, LONG lStart, LONG lSamples, LPVOID lpBuffer,
                           LONG cbBuffer, DWORD /*dwFlags*/, LONG* plSampWritten,
                           LONG* plBytesWritten)
    {
        if (plSampWritten != nullptr)
        {
            *plSampWritten = 0;
        }
        if (plBytesWritten != nullptr)
        {
            *plBytesWritten = 0;
        }
        if (pavi == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (!pavi->pFile->pWriter)
        {
            return AVIERR_READONLY;
        }
        return pavi->pFile->pWriter->Write(pavi->iIndex, lStart, lSamples, lpBuffer, cbBuffer,
                                           plSampWritten, plBytesWritten);
    }

    LONG AVIStreamLength(PAVISTREAM pavi)
    {
        if (pavi == nullptr)
        {
            return -1;
        }
        if (pavi->pFile->pReader)
        {
            return pavi->pFile->pReader->GetLength(pavi->iIndex);
        }
        return pavi->pFile->pWriter->GetLength(pavi->iIndex);
    }

    INT_PTR AVISaveOptions(HWND /*hwnd*/, UINT /*uiFlags*/, int nStreams, PAVISTREAM* ppavi,
                           LPAVICOMPRESSOPTIONS* plpOptions)
    {
        if (nStreams <= 0 || ppavi == nullptr || plpOptions == nullptr)
        {
            return FALSE;
        }
        for (int i = 0; i < nStreams; ++i)
        {
            AVISTREAMINFOA info{};
            if (plpOptions[i] == nullptr || AVIStreamInfoA(ppavi[i], &info, sizeof(info)) != 0)
            {
                return FALSE;
            }

            AVICOMPRESSOPTIONS& options = *plpOptions[i];
            options.fccType = info.fccType;
            options.dwFlags = AVICOMPRESSF_VALID;
            if (info.fccType == streamtypeVIDEO)
            {
                std::string sEncoder = CompressorFor(ppavi[i]->pFile);
                if (ppavi[i]->pFile->pWriter &&
                    !orv::avi::ContainerTakes(ppavi[i]->pFile->pWriter->GetMuxer(), sEncoder))
                {
                    // The container cannot hold it: as if the user cancelled the dialog.
                    return FALSE;
                }
                DWORD dwFourCC = orv::avi::GetCompressorFourCC(sEncoder);
                if (dwFourCC == 0)
                {
                    // No compressor that AVI can hold: the same as cancelling the dialog.
                    return FALSE;
                }
                options.fccHandler = dwFourCC;
                options.dwQuality = 10000;
                options.dwKeyFrameEvery = 0;
            }
        }
        return TRUE;
    }

    HRESULT AVIMakeCompressedStream(PAVISTREAM* ppsCompressed, PAVISTREAM psSource,
                                    AVICOMPRESSOPTIONS* lpOptions, CLSID* /*pclsidHandler*/)
    {
        if (ppsCompressed == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        *ppsCompressed = nullptr;
        if (psSource == nullptr || lpOptions == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (!psSource->pFile->pWriter)
        {
            return AVIERR_READONLY;
        }
        const AVISTREAMINFOA* pInfo = psSource->pFile->pWriter->GetInfo(psSource->iIndex);
        std::string sEncoder;
        if (pInfo->fccType == streamtypeVIDEO)
        {
            sEncoder = orv::avi::FindCompressorForFourCC(lpOptions->fccHandler,
                                                         CompressorFor(psSource->pFile));
            if (sEncoder.empty())
            {
                return AVIERR_NOCOMPRESSOR;
            }
        }
        PAVISTREAM pStream = NewStream(psSource->pFile, psSource->iIndex);
        pStream->bCompressed = true;
        pStream->sEncoder = sEncoder;
        *ppsCompressed = pStream;
        return AVIERR_OK;
    }

    HRESULT AVISetCompressorA(LPCSTR szEncoder)
    {
        return orv::avi::SetCompressor(szEncoder) ? AVIERR_OK : AVIERR_NOCOMPRESSOR;
    }

    HRESULT AVIGetCompressorForFileA(LPCSTR szFile, LPSTR szEncoder, LONG cchEncoder)
    {
        if (szFile == nullptr || szEncoder == nullptr || cchEncoder <= 0)
        {
            return AVIERR_BADPARAM;
        }
        const std::string sMuxer = orv::avi::GetMuxerForFile(szFile);
        const std::string sEncoder = orv::avi::GetCompressorForContainer(sMuxer);
        const size_t cchCopy = std::min(sEncoder.size(), static_cast<size_t>(cchEncoder) - 1);
        std::memcpy(szEncoder, sEncoder.data(), cchCopy);
        szEncoder[cchCopy] = '\0';
        return orv::avi::ContainerTakes(sMuxer, sEncoder) ? AVIERR_OK : AVIERR_UNSUPPORTED;
    }

    HRESULT AVISetCompressorQuality(int iQuality)
    {
        orv::avi::SetQuality(iQuality);
        return AVIERR_OK;
    }

    HRESULT AVIStreamWriteDeviceFrame(PAVISTREAM pavi, LONG lStart, LPCVOID lpPixels, LONG lPitch)
    {
        if (pavi == nullptr || lpPixels == nullptr)
        {
            return AVIERR_BADPARAM;
        }
        if (!pavi->pFile->pWriter)
        {
            return AVIERR_READONLY;
        }
        return pavi->pFile->pWriter->WriteDeviceFrame(pavi->iIndex, lStart, lpPixels, lPitch);
    }

    HRESULT AVIStreamGetCompressorTiming(PAVISTREAM pavi, AVICOMPRESSORTIMING* pTiming)
    {
        if (pavi == nullptr || pTiming == nullptr || !pavi->pFile->pWriter)
        {
            return AVIERR_BADPARAM;
        }
        *pTiming = pavi->pFile->pWriter->GetTiming();
        return AVIERR_OK;
    }

    LPCSTR AVIGetCompressorA(void)
    {
        static thread_local std::string s_sName;
        s_sName = orv::avi::GetCompressor();
        return s_sName.c_str();
    }

} // extern "C"

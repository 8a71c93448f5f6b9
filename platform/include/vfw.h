#pragma once

// The AVIFile services: AVI files made of streams, read and written sample by sample,
// with compressing streams in front of a codec. Our own declarations with the documented
// names, numeric values and calling conventions; the implementation sits on FFmpeg.
//
// Differences a caller should know about:
// - AVISaveOptions never shows a dialog. Video streams get the compressor chosen with
//   AVISetCompressorA (a FFmpeg encoder name); audio streams are stored as 16-bit PCM.
//   It returns FALSE, as a cancelled dialog would, when that encoder does not exist.
// - AVIMakeCompressedStream finds the encoder for the options' four-character code in
//   FFmpeg's table of AVI codec tags; a codec FFmpeg only reads gets the nearest one it
//   writes ("MPG4", Microsoft MPEG-4 version 1, is written as version 2). The stream header
//   in the file, and AVIStreamInfoA, name the codec the stream holds.
// - Uncompressed video frames are bitmaps of 24 bits or 32 bits (the fourth byte unused)
//   whose rows are packed (width x bytes per pixel) or padded to 4 bytes as GDI pads them:
//   a write of exactly a padded frame's size is read as padded rows.
// - Writes to a video stream are queued and encoded on a worker thread; the file is
//   complete when its last handle is released.
// - Any sound file FFmpeg can decode opens for reading; its audio streams read as
//   16-bit interleaved stereo PCM at the file's own sample rate.
#include "wingdi.h"
#include "wintypes.h"

#ifndef mmioFOURCC
#define mmioFOURCC(c0, c1, c2, c3)                                                                 \
    ((DWORD)(BYTE)(c0) | ((DWORD)(BYTE)(c1) << 8) | ((DWORD)(BYTE)(c2) << 16) |                    \
     ((DWORD)(BYTE)(c3) << 24))
#endif

#ifndef ORV_INT_PTR_DEFINED
#define ORV_INT_PTR_DEFINED
typedef intptr_t INT_PTR;
#endif

#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define streamtypeAUDIO mmioFOURCC('a', 'u', 'd', 's')

#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_CREATE 0x1000

#define AVIIF_KEYFRAME 0x00000010L

#define AVICOMPRESSF_INTERLEAVE 0x00000001
#define AVICOMPRESSF_DATARATE 0x00000002
#define AVICOMPRESSF_KEYFRAMES 0x00000004
#define AVICOMPRESSF_VALID 0x00000008

#define WAVE_FORMAT_PCM 1

#define MAKE_AVIERR(error) ((HRESULT)(0x80040000u | (0x4000u + (error))))
#define AVIERR_OK 0
#define AVIERR_UNSUPPORTED MAKE_AVIERR(101)
#define AVIERR_BADFORMAT MAKE_AVIERR(102)
#define AVIERR_MEMORY MAKE_AVIERR(103)
#define AVIERR_INTERNAL MAKE_AVIERR(104)
#define AVIERR_BADFLAGS MAKE_AVIERR(105)
#define AVIERR_BADPARAM MAKE_AVIERR(106)
#define AVIERR_BADSIZE MAKE_AVIERR(107)
#define AVIERR_BADHANDLE MAKE_AVIERR(108)
#define AVIERR_FILEREAD MAKE_AVIERR(109)
#define AVIERR_FILEWRITE MAKE_AVIERR(110)
#define AVIERR_FILEOPEN MAKE_AVIERR(111)
#define AVIERR_COMPRESSOR MAKE_AVIERR(112)
#define AVIERR_NOCOMPRESSOR MAKE_AVIERR(113)
#define AVIERR_READONLY MAKE_AVIERR(114)
#define AVIERR_NODATA MAKE_AVIERR(115)
#define AVIERR_BUFFERTOOSMALL MAKE_AVIERR(116)
#define AVIERR_CANTCOMPRESS MAKE_AVIERR(117)
#define AVIERR_USERABORT MAKE_AVIERR(198)
#define AVIERR_ERROR MAKE_AVIERR(199)

typedef struct _GUID
{
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, CLSID;

#pragma pack(push, 2)
typedef struct waveformat_tag
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
} WAVEFORMAT;

typedef struct pcmwaveformat_tag
{
    WAVEFORMAT wf;
    WORD wBitsPerSample;
} PCMWAVEFORMAT;
#pragma pack(pop)

typedef struct _AVISTREAMINFOA
{
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
} AVISTREAMINFOA;

typedef struct
{
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwKeyFrameEvery;
    DWORD dwQuality;
    DWORD dwBytesPerSecond;
    DWORD dwFlags;
    LPVOID lpFormat;
    DWORD cbFormat;
    LPVOID lpParms;
    DWORD cbParms;
    DWORD dwInterleaveEvery;
} AVICOMPRESSOPTIONS, *LPAVICOMPRESSOPTIONS;

typedef struct IAVIFile* PAVIFILE;
typedef struct IAVIStream* PAVISTREAM;

#ifdef __cplusplus
extern "C"
{
#endif

    ORVPLATFORM_API void AVIFileInit(void);
    ORVPLATFORM_API void AVIFileExit(void);

    ORVPLATFORM_API HRESULT AVIFileOpenA(PAVIFILE* ppfile, LPCSTR szFile, UINT uMode,
                                         CLSID* lpHandler);
    ORVPLATFORM_API ULONG AVIFileRelease(PAVIFILE pfile);
    ORVPLATFORM_API HRESULT AVIFileCreateStreamA(PAVIFILE pfile, PAVISTREAM* ppavi,
                                                 AVISTREAMINFOA* psi);
    ORVPLATFORM_API HRESULT AVIFileGetStream(PAVIFILE pfile, PAVISTREAM* ppavi, DWORD fccType,
                                             LONG lParam);

    ORVPLATFORM_API ULONG AVIStreamRelease(PAVISTREAM pavi);
    ORVPLATFORM_API HRESULT AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize);
    ORVPLATFORM_API HRESULT AVIStreamReadFormat(PAVISTREAM pavi, LONG lPos, LPVOID lpFormat,
                                                LONG* lpcbFormat);
    ORVPLATFORM_API HRESULT AVIStreamSetFormat(PAVISTREAM pavi, LONG lPos, LPVOID lpFormat,
                                               LONG cbFormat);
    ORVPLATFORM_API HRESULT AVIStreamRead(PAVISTREAM pavi, LONG lStart, LONG lSamples,
                                          LPVOID lpBuffer, LONG cbBuffer, LONG* plBytes,
                                          LONG* plSamples);
    ORVPLATFORM_API HRESULT AVIStreamWrite(PAVISTREAM pavi, LONG lStart, LONG lSamples,
                                           LPVOID lpBuffer, LONG cbBuffer, DWORD dwFlags,
                                           LONG* plSampWritten, LONG* plBytesWritten);
    ORVPLATFORM_API LONG AVIStreamLength(PAVISTREAM pavi);

    ORVPLATFORM_API INT_PTR AVISaveOptions(HWND hwnd, UINT uiFlags, int nStreams, PAVISTREAM* ppavi,
                                           LPAVICOMPRESSOPTIONS* plpOptions);
    ORVPLATFORM_API HRESULT AVIMakeCompressedStream(PAVISTREAM* ppsCompressed, PAVISTREAM psSource,
                                                    AVICOMPRESSOPTIONS* lpOptions,
                                                    CLSID* pclsidHandler);

    // The video compressor that AVISaveOptions picks: a FFmpeg encoder name ("libx264",
    // "ffv1", "mjpeg", ...), or null for the default. Returns AVIERR_NOCOMPRESSOR, keeping
    // the previous choice, when this FFmpeg has no such encoder.
    ORVPLATFORM_API HRESULT AVISetCompressorA(LPCSTR szEncoder);
    // The encoder name AVISaveOptions currently picks.
    ORVPLATFORM_API LPCSTR AVIGetCompressorA(void);

    // The container follows the file name given to AVIFileOpenA for writing: ".mp4" and
    // ".m4v" give MP4 (index at the front, sound in AAC), ".mov" QuickTime, ".mkv" Matroska
    // and ".webm" WebM (sound in Opus); every other name an AVI file. Until the host chooses
    // a compressor, each container gets its usual one: H.264 (libx264) for AVI, MP4 and
    // QuickTime, VP9 (libvpx-vp9, else AV1) for Matroska and WebM.
    //
    // The encoder AVISaveOptions picks for a file of that name, copied into szEncoder
    // (cchEncoder bytes, terminated). AVIERR_UNSUPPORTED when the container cannot hold what
    // that encoder makes (AVISaveOptions then answers FALSE).
    ORVPLATFORM_API HRESULT AVIGetCompressorForFileA(LPCSTR szFile, LPSTR szEncoder,
                                                     LONG cchEncoder);
    // The quality asked of lossy video encoders: a constant-rate-factor number as x264 reads
    // it (0 best, 51 worst, 63 at most; VP9 and AV1 read it on their own 0 to 63 scale), or
    // -1 for each encoder's own default. Lossless encoders ignore it.
    ORVPLATFORM_API HRESULT AVISetCompressorQuality(int iQuality);

    // Writes one video frame at position lStart as a graphics device reads it back: 32-bit
    // pixels (red, green, blue, then a byte that is ignored), rows from the top down, lPitch
    // bytes apart (at least 4 x width). The stream keeps its own format (the bitmap header
    // given to AVIStreamSetFormat, 24 or 32 bits): the frame is converted to it on the
    // writer's own thread, so the call only copies the pixels, and the file holds exactly
    // what AVIStreamWrite of the converted bitmap would have put there.
    ORVPLATFORM_API HRESULT AVIStreamWriteDeviceFrame(PAVISTREAM pavi, LONG lStart,
                                                      LPCVOID lpPixels, LONG lPitch);

    // What compressing a video stream being written has cost so far: frames compressed,
    // seconds spent compressing them on the writer's own thread (in all and the worst
    // frame), and seconds writers waited for room in its queue.
    typedef struct
    {
        LONG lFrames;
        double dSeconds;
        double dWorstSeconds;
        double dWaitSeconds;
    } AVICOMPRESSORTIMING;
    ORVPLATFORM_API HRESULT AVIStreamGetCompressorTiming(PAVISTREAM pavi,
                                                         AVICOMPRESSORTIMING* pTiming);

#ifdef __cplusplus
}
#endif

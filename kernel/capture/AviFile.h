#pragma once

// CAviFile: writes a movie from frames that a host draws itself, given as GDI bitmaps or as
// raw pixel buffers, compressed with the codec named by a four-character code, without
// asking anything. A failure returns E_FAIL and leaves a text for GetLastErrorMessage.
//
// - The first frame creates the movie and fixes its size, depth (24 or 32 bits per pixel)
//   and codec. A later frame of another size or depth is refused with E_FAIL and its own
//   text, nothing is written, and the writer goes on taking frames of the right size.
// - Raw frames hold rows from the bottom of the picture to its top (top to bottom when the
//   height is negative), blue, green, red (and an unused fourth byte at 32 bits), packed:
//   each row is exactly width x bits per pixel / 8 bytes, even when that is not a multiple
//   of 4. Bitmaps are read as GDI gives them (rows padded to 4 bytes); both come out
//   upright.
// - The codec is found through FFmpeg's table of AVI codec tags. The default "MPG4"
//   (Microsoft MPEG-4 version 1) has no encoder there and is written with Microsoft MPEG-4
//   version 2, labelled "MP42" in the file: a file names the codec it holds. A code with
//   no encoder fails the first frame with "Unable to Create Compressed Stream: Check your
//   CODEC options". The code 0 stands for the compressor chosen with AVISetCompressorA.
// - The movie is complete once the writer is destroyed, however many frames it took. A
//   writer that never got a frame writes no file; one whose first write failed leaves a
//   valid movie of no frames. A file name that does not fit in MAX_PATH characters is
//   refused ("Unable to Create the Movie File"), never cut short.
// - Any failure to create or write the movie disables the writer: every later frame
//   returns E_FAIL at once, and the text stays that of the failure.
// - Not copyable: two writers would share, and both release, one file and its streams.
//   Movable; a moved-from writer is disabled.
// - A writer belongs to one thread.
#include "OrvExport.h"
#include "vfw.h"
#include "wingdi.h"

#include <cstddef>
#include <memory>

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

class ORV_API CAviFile
{
public:
    explicit CAviFile(LPCSTR szFileName = "Output.avi",
                      DWORD dwCodec = mmioFOURCC('M', 'P', 'G', '4'), DWORD dwFrameRate = 1);
    ~CAviFile();
    CAviFile(const CAviFile&) = delete;
    CAviFile& operator=(const CAviFile&) = delete;
    CAviFile(CAviFile&& other) noexcept;
    CAviFile& operator=(CAviFile&& other) noexcept;

    // Appends a bitmap: S_OK or E_FAIL.
    HRESULT AppendNewFrame(HBITMAP hBitmap);
    // Appends a raw frame in the layout above: S_OK or E_FAIL.
    HRESULT AppendNewFrame(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel);
    // "Method Succeeded" until a failure; then the text of the latest failure.
    LPCSTR GetLastErrorMessage() const { return m_szLastError; }

private:
    typedef HRESULT (CAviFile::*BitmapAppend)(HBITMAP);
    typedef HRESULT (CAviFile::*RawAppend)(int, int, const void*, int);

    HRESULT InitMovieCreation(int iWidth, int iHeight, int iBitsPerPixel);
    HRESULT CreateFrameBuffer(int iWidth, int iHeight);
    HRESULT CreateStreams(int iWidth, int iHeight, int iBitsPerPixel);
    HRESULT AppendDummy(HBITMAP hBitmap);
    HRESULT AppendFrameFirstTime(HBITMAP hBitmap);
    HRESULT AppendFrameUsual(HBITMAP hBitmap);
    HRESULT AppendDummy(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel);
    HRESULT AppendFrameFirstTime(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel);
    HRESULT AppendFrameUsual(int iWidth, int iHeight, const void* pBits, int iBitsPerPixel);
    // Refuses a frame unlike the movie's first one; true when it is alike.
    bool AcceptFrame(int iWidth, int iHeight, int iBitsPerPixel);
    HRESULT WriteFrame(const void* pBits, LONG cbBits);
    void ReleaseMemory();
    void SetErrorMessage(LPCSTR szText);
    // Fails with the text: sets it and returns E_FAIL.
    HRESULT Fail(LPCSTR szText);
    void FillTables();
    void TakeOver(CAviFile& other);

    HDC m_hDC = nullptr; // for reading bitmaps; null until the first frame
    size_t m_cbHeap = 0; // room reserved for the frame buffer; 0 when none
    std::unique_ptr<BYTE[]> m_pFrameBuffer;
    LONG m_lSample = 0; // position of the next frame
    PAVIFILE m_pFile = nullptr;
    PAVISTREAM m_pStream = nullptr;
    PAVISTREAM m_pCompressed = nullptr;
    AVISTREAMINFOA m_header{};
    AVICOMPRESSOPTIONS m_options{};
    DWORD m_dwFrameRate = 1;
    DWORD m_dwCodec = 0;
    char m_szFileName[MAX_PATH] = {};
    char m_szLastError[MAX_PATH] = {};
    // 0: disabled, 1: first frame to come, 2: the movie exists.
    int m_iAppendState = 0;
    BitmapAppend m_apfnBitmap[3] = {};
    RawAppend m_apfnRaw[3] = {};
    // The movie's frames, fixed by the first one.
    int m_iWidth = 0;
    int m_iHeight = 0;
    int m_iBitCount = 0;
};

#pragma once

// ORV_Avi: records rendered frames into an AVI video file, optionally with a sound
// track taken from a sound file. Frames are 24-bit bottom-up bitmaps (blue, green, red;
// rows packed without padding). Problems are reported as "Error: ..." lines on standard
// error.
#include "OrvExport.h"
#include "vfw.h"

class ORV_API ORV_Avi
{
public:
    ORV_Avi();
    virtual ~ORV_Avi();
    ORV_Avi(const ORV_Avi&) = delete;
    ORV_Avi& operator=(const ORV_Avi&) = delete;

    // Creates the file and its video stream: 0 on success, 1 on failure.
    int CreateAVI(HWND hWnd, const char* szFileName, int iWidth, int iHeight, int iFps);
    // As CreateAVI, then adds the sound; 0 as long as the video stream exists.
    int CreateAVIWithSound(HWND hWnd, const char* szFileName, const char* szSoundFile, int iWidth,
                           int iHeight, int iFps);
    // Appends one frame of width x height x 3 bytes.
    void AddFrame(BYTE* pBits);
    // Appends one frame as the device reads it back (OrvFrameReadback.h: red, green, blue
    // and a byte ignored, rows from the top down, iPitch bytes apart): the same frame in the
    // file as AddFrame of its 24-bit bottom-up rows, but the conversion runs on the writer's
    // thread and this call only copies the pixels. False when the frame was not added.
    bool AddDeviceFrame(const BYTE* pPixels, int iPitch);
    // Adds an audio stream copied from a sound file: 0 on success, 1 on failure.
    int AddWAV(const char* szSoundFile, HWND hWnd);
    // The same from dStartSeconds into the sound (a recording of a later part of a show);
    // 1 when the sound ends before that.
    int AddWAVFrom(const char* szSoundFile, double dStartSeconds);
    // The video stream's title in the files CreateAVI makes from now on (63 characters
    // at most, more are cut; default "ORVEL"): a recording made in pieces names its
    // engine, renderer and piece there, so that the pieces can be checked before joining.
    void SetVideoTitle(const char* szTitle);
    // What compressing the frames has cost so far (on the writer's own thread, and the
    // time AddFrame waited for it); false when the recorder is closed.
    bool GetCompressorTiming(AVICOMPRESSORTIMING& rTiming) const;

private:
    int OpenVideo(const char* szFileName, int iWidth, int iHeight, int iFps);
    void Free();

    PAVIFILE m_pFile = nullptr;
    PAVISTREAM m_pStream = nullptr;
    PAVISTREAM m_pCompressed = nullptr;
    AVISTREAMINFOA m_header{};
    int m_iHeight = 0;
    int m_iWidth = 0;
    // Position of the next frame of this recording.
    LONG m_lFrame = 0;
    char m_szTitle[64] = "ORVEL";
};

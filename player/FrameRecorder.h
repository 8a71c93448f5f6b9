#pragma once

// The recording's capture path: hands each presented frame to the recorder. On a device
// that reads back while it draws (OrvFrameReadback.h) the read-back of frame N starts right
// after its present and is collected kLag frames later, and the recorder's own thread turns
// the device's pixels into the file's (ORV_Avi::AddDeviceFrame), so the drawing thread only
// copies each frame once; on any other device each frame is read at once (CFrameGrabber)
// and added as 24-bit bottom-up rows. Both give the same frames in the file.
#include "FrameGrabber.h"

#include <memory>

class ORV_Avi;

class CFrameRecorder
{
public:
    // Frames between a present and the collection of its pixels.
    static constexpr int kLag = 2;

    CFrameRecorder(IDirect3DDevice9* pDevice, ORV_Avi& rAvi, int iWidth, int iHeight);
    ~CFrameRecorder();
    CFrameRecorder(const CFrameRecorder&) = delete;
    CFrameRecorder& operator=(const CFrameRecorder&) = delete;

    // After each present: starts reading the frame and adds the one whose read-back is due.
    // False when a frame could not be read or added.
    bool AddPresented();
    // Adds the frames still being read (after the last present; the destructor does it too).
    bool Finish();
    // Frames added to the recorder so far.
    int GetFramesAdded() const { return m_iAdded; }
    bool IsOverlapped() const { return m_bOverlapped; }

private:
    bool Collect(int iFrame);
    bool AddAtOnce();

    IDirect3DDevice9* m_pDevice;
    ORV_Avi& m_rAvi;
    std::unique_ptr<CFrameGrabber> m_pGrabber; // the read at once, made when first needed
    int m_iWidth;
    int m_iHeight;
    bool m_bOverlapped = true; // until the device says it cannot
    int m_iPresented = 0;      // frames presented so far
    int m_iCollected = 0;      // of which collected (read and added, or lost)
    int m_iAdded = 0;
};

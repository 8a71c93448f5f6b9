#pragma once

// Reads each presented frame back from the device and turns it into the recorder's
// layout: 24-bit blue-green-red pixels, rows bottom-up and packed.
#include "d3d9.h"

#include <vector>

// Converts top-down 32-bit pixels (blue, green, red, alpha in memory; iPitch bytes a row)
// into packed bottom-up 24-bit ones.
void ConvertToBottomUpBGR(const BYTE* pSource, int iPitch, int iWidth, int iHeight, BYTE* pTarget);

class CFrameGrabber
{
public:
    CFrameGrabber(IDirect3DDevice9* pDevice, int iWidth, int iHeight);
    ~CFrameGrabber();
    CFrameGrabber(const CFrameGrabber&) = delete;
    CFrameGrabber& operator=(const CFrameGrabber&) = delete;

    // Reads the front buffer of swap chain 0; the frame is then in GetBits().
    bool Grab();
    BYTE* GetBits() { return m_bits.data(); }

private:
    IDirect3DDevice9* m_pDevice;
    COrvComPtr<IDirect3DSurface9> m_pSurface;
    int m_iWidth;
    int m_iHeight;
    std::vector<BYTE> m_bits;
};

#pragma once
// The view: the demo drawn at the current position into a render target of the output size
// (1280x720, 1920x1080 or any size), shown letterboxed in the view panel. Pointer positions
// over it become output pixels for the layers' MouseDown / MouseMove / MouseUp.
#include "EditorLayout.h"
#include "OrvComPtr.h"
#include "d3d9.h"

#include <string>

class COrvDemo;

// The largest rectangle of the output's aspect centred in the area.
SEditorRect FitLetterbox(const SEditorRect& area, int iOutputWidth, int iOutputHeight);
// A point of the window in output pixels; false when it lies outside the picture.
bool MapToOutput(const SEditorRect& picture, int iOutputWidth, int iOutputHeight, float fX,
                 float fY, float& fOutX, float& fOutY);
// The engine's key-state bits of the buttons held (0x1 left, 0x2 right, 0x10 middle).
unsigned long MakeMouseFlags(bool bLeft, bool bRight, bool bMiddle);

class CEditorView
{
public:
    explicit CEditorView(IDirect3DDevice9* pDevice) : m_pDevice(pDevice) {}

    // Makes (or remakes, when the size changed) the target; false with the reason.
    bool SetOutputSize(int iWidth, int iHeight, std::string& sError);
    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    // Draws the demo's frame into the target; the device's target and depth buffer are put
    // back after.
    void DrawDemo(COrvDemo& demo, float fFrame);
    IDirect3DTexture9* GetTexture() const { return m_pTexture.Get(); }

private:
    IDirect3DDevice9* m_pDevice;
    COrvComPtr<IDirect3DTexture9> m_pTexture;
    COrvComPtr<IDirect3DSurface9> m_pDepth;
    int m_iWidth = 0;
    int m_iHeight = 0;
    bool m_bFresh = false;
};

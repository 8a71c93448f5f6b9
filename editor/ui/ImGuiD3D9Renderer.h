#pragma once
// Draws Dear ImGui's draw lists through the Direct3D 9 shaped device, so the editor's
// interface goes the same way as the demo it shows: one dynamic vertex buffer and one index
// buffer (grown when a frame needs more), the font atlas as a texture, each command clipped
// by the scissor rectangle, an orthographic projection of the display and alpha blending.
// Every state it sets is read first and put back after, so the demo drawn before or after
// sees the device as it left it.
//
// Texture ids (ImTextureID) are IDirect3DTexture9 pointers: the font's, or any texture a panel
// shows (thumbnails), which the panel keeps alive until the frame is drawn.
#include "OrvComPtr.h"
#include "d3d9.h"

#include <string>

struct ImDrawData;

class CImGuiD3D9Renderer
{
public:
    // Binds to the current ImGui context; the renderer must not outlive it.
    explicit CImGuiD3D9Renderer(IDirect3DDevice9* pDevice);
    ~CImGuiD3D9Renderer();
    CImGuiD3D9Renderer(const CImGuiD3D9Renderer&) = delete;
    CImGuiD3D9Renderer& operator=(const CImGuiD3D9Renderer&) = delete;

    // Builds the current context's font atlas into a texture (again after fonts change);
    // false with the reason when the device refuses it.
    bool CreateFontTexture(std::string& sError);
    // Draws the lists; false (nothing drawn) when the buffers cannot be made or filled.
    bool Render(const ImDrawData* pDrawData);

    // Room in the buffers now, in vertices and indices (they only grow).
    UINT GetVertexCapacity() const { return m_uVertexCapacity; }
    UINT GetIndexCapacity() const { return m_uIndexCapacity; }
    IDirect3DTexture9* GetFontTexture() const { return m_pFont.Get(); }

private:
    struct SSavedState;

    bool EnsureBuffers(UINT uVertices, UINT uIndices);
    bool FillBuffers(const ImDrawData* pDrawData);
    void SetUpState(const ImDrawData* pDrawData);
    void DrawLists(const ImDrawData* pDrawData);

    IDirect3DDevice9* m_pDevice;
    COrvComPtr<IDirect3DVertexBuffer9> m_pVertices;
    COrvComPtr<IDirect3DIndexBuffer9> m_pIndices;
    COrvComPtr<IDirect3DTexture9> m_pFont;
    UINT m_uVertexCapacity = 0;
    UINT m_uIndexCapacity = 0;
};

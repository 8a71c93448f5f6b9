#pragma once

#include "OrvExport.h"

#include "d3dx9.h"

#include <string>

// The depth-of-field pass of the balls and grid layers. A layer draws its scene into two
// targets at once (the sharp colour image, and the per-pixel blur amount in a two-channel
// float target), then the pass draws one full-screen quad into the layer's own target with
// the technique "FilterDoF" of "dof.fx", which blurs the colour image by the blur amount.
// When "dof.fx" also has the technique "FilterDoFHalf", a quad with it first fills a
// half-size target (bound to the effect's "tHalfBlur"), and "FilterDoF" then combines that
// with the sharp picture: the costly taps are taken for a quarter of the pixels.
//
// A plain record with six operations. Calling order in the owner: on a device change
// DofRelease, then (with a device) the set-up ending in DofCreate; every frame
// DofBeginScene, the scene, DofEndScene, DofComposite.
struct ORV_API DofPass
{
    // One vertex of the full-screen quad: a position in pixels (x, y, z, w) and (u, v).
    struct SQuadVertex
    {
        float x, y, z, w;
        float u, v;
    };

    IDirect3DDevice9* m_pDevice = nullptr; // not counted
    COrvComPtr<ID3DXEffect> m_pEffect;     // "dof.fx"
    D3DFORMAT m_TargetFormat[2] = {};      // colour, blur; 0 = that target does not exist
    COrvComPtr<IDirect3DSurface9> m_pTargetSurface[2];
    COrvComPtr<IDirect3DSurface9> m_pSavedTarget[2]; // the device's targets while captured
    COrvComPtr<IDirect3DTexture9> m_pTargetTexture[2];
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    float m_fMaxCoC = 0.0f; // written by the owner before each composite
    SQuadVertex m_Quad[4] = {};
    COrvComPtr<IDirect3DVertexDeclaration9> m_pDeclaration; // created by the owner
    // The taps at half the size, when the effect has the technique "FilterDoFHalf": its
    // target (A8R8G8B8, (width + 1) / 2 by (height + 1) / 2) and the quad that covers it.
    COrvComPtr<IDirect3DTexture9> m_pHalfTexture;
    COrvComPtr<IDirect3DSurface9> m_pHalfSurface;
    SQuadVertex m_HalfQuad[4] = {};
};

// The twelve filter taps, (x, y) in units of the blur radius.
inline constexpr float DOF_FILTER_TAPS[12][2] = {
    {-0.326212f, -0.405805f}, {-0.840144f, -0.07358f}, {-0.695914f, 0.457137f},
    {-0.203345f, 0.620716f},  {0.96234f, -0.194983f},  {0.473434f, -0.480026f},
    {0.519456f, 0.767022f},   {0.185461f, -0.893124f}, {0.507431f, 0.064425f},
    {0.89642f, 0.412458f},    {-0.32194f, -0.932615f}, {-0.791559f, -0.597705f},
};

// Releases the targets and the effect; leaves formats, sizes and the declaration. Returns 0.
ORV_API HRESULT DofRelease(DofPass* pDof);
// Loads "dof.fx" (from the current directory), uploads the taps and the viewport mapping,
// builds the quad and creates the targets of the formats that are not 0 (and the half-size
// one for an effect with "FilterDoFHalf"). S_OK, or E_FAIL at the first step that fails (what
// was made stays for the next DofRelease).
ORV_API HRESULT DofCreate(DofPass* pDof, UINT uWidth, UINT uHeight);
// "filterTaps": the taps divided by the target size.
ORV_API void DofSetFilterTaps(DofPass* pDof);
// Saves the device's render targets 0 and 1 and binds the pass's targets in their place.
ORV_API void DofBeginScene(DofPass* pDof);
// Binds the saved targets again (also a null second one) and returns their references.
ORV_API void DofEndScene(DofPass* pDof);
// Draws the filtered image into the device's render target 0 (first the half-size taps, when
// there is a half-size target; the device's target 0 and viewport are then set back).
ORV_API void DofComposite(DofPass* pDof);

// --- What both owning layers do around the six operations --------------------------------

// The set-up of a device change: releases the declaration and the pass, then, with a device,
// sets the formats (A8R8G8B8 colour, G16R16F blur), creates the quad's declaration and runs
// DofCreate for a 16:9 band of the given width (height = width * 9 / 16, truncated).
// E_FAIL when the declaration could not be made (DofCreate is not tried), else DofCreate's
// result; S_OK for a null device.
ORV_API HRESULT DofSetDevice(DofPass* pDof, IDirect3DDevice9* pDevice, UINT uOutputWidth);
// True when everything the capture and the composite use exists: the effect, the
// declaration and a surface for every target format that is not 0 (target 0 always).
ORV_API bool DofIsReady(const DofPass* pDof);
// Why DofIsReady is false, in words (empty when it is true).
ORV_API std::string DofMissingPart(const DofPass* pDof);
// Frame steps before the scene: saves the viewport into rSaved, DofBeginScene, the viewport
// over the whole surface now bound as target 0, and a clear of colour and depth to opaque
// black and 1.
ORV_API void DofBeginCapture(DofPass* pDof, D3DVIEWPORT9& rSaved);
// Frame steps after the scene, up to the composite: DofEndScene and the saved viewport.
ORV_API void DofEndCapture(DofPass* pDof, const D3DVIEWPORT9& rSaved);

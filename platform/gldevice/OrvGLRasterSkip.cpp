// OrvRasterSkip.h on the OpenGL device: GL_RASTERIZER_DISCARD drops the primitives before
// rasterisation and discards glClear too, while framebuffer blits (StretchRect), read-backs
// and texture uploads go on as usual.
#include "OrvGLDevice.h"
#include "OrvRasterSkip.h"

#include <epoxy/gl.h>

extern "C" ORVPLATFORM_API HRESULT OrvSetRasterizerDiscard(IDirect3DDevice9* pDevice, BOOL bDiscard)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    // Prepare submits the draws the device still holds, so that they meet the state they
    // were made under.
    if (!pOurs || !pOurs->GetCore()->Prepare())
        return D3DERR_INVALIDCALL;
    if (bDiscard)
        glEnable(GL_RASTERIZER_DISCARD);
    else
        glDisable(GL_RASTERIZER_DISCARD);
    return D3D_OK;
}

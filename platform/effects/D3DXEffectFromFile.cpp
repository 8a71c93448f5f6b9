// Effect creation from a file, alone in its file: a test program may put its own in its
// place (the linker takes an archive member only for what is still missing).
#include "D3DXBuffer.h"
#include "D3DXEffect.h"
#include "OrvWholeFile.h"

#include <string>

HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                  const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD,
                                  LPD3DXEFFECTPOOL, LPD3DXEFFECT* ppEffect,
                                  LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!ppEffect)
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    if (!pDevice || !pSrcFile)
        return D3DERR_INVALIDCALL;
    std::string sText, sError;
    if (!OrvReadWholeFile(pSrcFile, s_uOrvMaxEffectBytes, sText, sError))
    {
        if (ppCompilationErrors)
            *ppCompilationErrors = OrvCreateTextBuffer(std::string(pSrcFile) +
                                                       "(0): error: cannot read the effect file\n");
        return D3DERR_NOTFOUND;
    }
    return OrvCreateEffectFromSource(pDevice, sText, pSrcFile, pDefines, pInclude, ppEffect,
                                     ppCompilationErrors);
}

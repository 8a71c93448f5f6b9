#include "D3DXBuffer.h"
#include "D3DXEffect.h"

#include <new>

namespace
{
// The caller's macros go first; "#line 1" keeps the file's own line numbers in messages.
std::string WithMacros(const D3DXMACRO* pDefines, std::string sSource)
{
    if (!pDefines || !pDefines->Name)
        return sSource;
    std::string sPrefix;
    for (const D3DXMACRO* p = pDefines; p->Name; ++p)
        sPrefix +=
            std::string("#define ") + p->Name + " " + (p->Definition ? p->Definition : "") + "\n";
    return sPrefix + "#line 1\n" + sSource;
}

} // namespace

HRESULT OrvCreateEffectFromSource(IDirect3DDevice9* pDevice, const std::string& sSource,
                                  const std::string& sName, const D3DXMACRO* pDefines,
                                  LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppErrors)
{
    std::string sErrors;
    COrvEffect* pEffect = nullptr;
    try
    {
        pEffect = COrvEffect::Create(pDevice, WithMacros(pDefines, sSource), sName, sErrors);
    }
    catch (const std::bad_alloc&)
    {
        sErrors += sName + "(1): error: out of memory\n";
    }
    if (!pEffect)
    {
        if (ppErrors)
            *ppErrors = OrvCreateTextBuffer(sErrors);
        return D3DXERR_INVALIDDATA;
    }
    *ppEffect = pEffect;
    return S_OK;
}

HRESULT D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen,
                         const D3DXMACRO* pDefines, LPD3DXINCLUDE, DWORD, LPD3DXEFFECTPOOL,
                         LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!ppEffect)
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    if (!pDevice || !pSrcData || SrcDataLen > s_uOrvMaxEffectBytes)
        return D3DERR_INVALIDCALL;
    std::string sSource(static_cast<const char*>(pSrcData), SrcDataLen);
    // Text given with its terminating zero keeps it out of the source.
    if (!sSource.empty() && sSource.back() == '\0')
        sSource.pop_back();
    return OrvCreateEffectFromSource(pDevice, sSource, "memory", pDefines, ppEffect,
                                     ppCompilationErrors);
}

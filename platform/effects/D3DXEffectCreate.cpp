#include "D3DXBuffer.h"
#include "D3DXEffect.h"
#include "FxPreprocessor.h"

#include <new>

HRESULT OrvCreateEffectFromSource(IDirect3DDevice9* pDevice, const std::string& sSource,
                                  const std::string& sName, const D3DXMACRO* pDefines,
                                  ID3DXInclude* pInclude, LPD3DXEFFECT* ppEffect,
                                  LPD3DXBUFFER* ppErrors)
{
    std::string sErrors;
    COrvEffect* pEffect = nullptr;
    try
    {
        SOrvFxSource source;
        if (COrvFxPreprocessor::Run(sSource, sName, pDefines, pInclude, source, sErrors))
            pEffect = COrvEffect::Create(pDevice, source, sErrors);
    }
    catch (const std::bad_alloc&)
    {
        sErrors += sName + "(1): error: out of memory\n";
    }
    if (!pEffect)
    {
        if (sErrors.empty())
            sErrors = sName + "(1): error: the effect cannot be created\n";
        if (ppErrors)
            *ppErrors = OrvCreateTextBuffer(sErrors);
        return D3DXERR_INVALIDDATA;
    }
    *ppEffect = pEffect;
    return S_OK;
}

HRESULT D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen,
                         const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD, LPD3DXEFFECTPOOL,
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
    return OrvCreateEffectFromSource(pDevice, sSource, "memory", pDefines, pInclude, ppEffect,
                                     ppCompilationErrors);
}

#include "OrvTestDraw.h"

COrvComPtr<ID3DXEffect> OrvMakeEffect(IDirect3DDevice9* pDevice, const std::string& sSource,
                                      std::string* pErrors)
{
    COrvComPtr<ID3DXEffect> pEffect;
    COrvComPtr<ID3DXBuffer> pBuffer;
    HRESULT hr = D3DXCreateEffect(pDevice, sSource.data(), UINT(sSource.size()), nullptr, nullptr,
                                  0, nullptr, pEffect.ReleaseAndGetAddressOf(),
                                  pBuffer.ReleaseAndGetAddressOf());
    if (pErrors)
        *pErrors = pBuffer ? static_cast<const char*>(pBuffer->GetBufferPointer()) : "";
    if (FAILED(hr))
        pEffect.Reset();
    return pEffect;
}

void OrvDrawFullScreen(IDirect3DDevice9* pDevice)
{
    const SClipVertex aQuad[4] = {
        {-1, 1, 0, 1, 0, 0}, {1, 1, 0, 1, 1, 0}, {-1, -1, 0, 1, 0, 1}, {1, -1, 0, 1, 1, 1}};
    pDevice->SetFVF(CLIP_FVF);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SClipVertex));
}

#include "layers/OrvLayerResources.h"

#include "document/OrvDemo.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResTexture.h"

IDirect3DTexture9* OrvFindMaterialTexture(const COrvDemo* pDemo, const std::string& materialName)
{
    if (!pDemo || materialName.empty())
        return nullptr;
    auto* pMaterial = dynamic_cast<COrvResMaterial*>(pDemo->GetResourceByName(materialName));
    if (!pMaterial)
        return nullptr;
    auto* pTexture = dynamic_cast<COrvResTexture*>(
        pDemo->GetResourceByName(pMaterial->GetMaterial()->m_TextureName0));
    return pTexture ? pTexture->GetTexture() : nullptr;
}

void OrvLoadLayerEffect(COrvDemo* pDemo, IDirect3DDevice9* pDevice, const char* pFileName,
                        COrvComPtr<ID3DXEffect>& rEffect, std::string& rReason)
{
    rEffect = nullptr;
    rReason.clear();
    if (pDemo)
        pDemo->EnterDataDir();
    COrvComPtr<ID3DXBuffer> pErrors;
    const HRESULT hr = D3DXCreateEffectFromFileA(pDevice, pFileName, nullptr, nullptr, 0, nullptr,
                                                 rEffect.ReleaseAndGetAddressOf(),
                                                 pErrors.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr) && rEffect)
        return;
    rEffect = nullptr;
    rReason = std::string("\"") + pFileName + "\" did not load";
    if (pErrors && pErrors->GetBufferPointer() && pErrors->GetBufferSize() > 0)
    {
        const auto* pText = static_cast<const char*>(pErrors->GetBufferPointer());
        std::string message(pText, pErrors->GetBufferSize());
        message = message.substr(0, message.find_first_of("\r\n", 0));
        message.erase(message.find('\0') == std::string::npos ? message.size()
                                                              : message.find('\0'));
        if (!message.empty())
            rReason += ": " + message;
    }
}

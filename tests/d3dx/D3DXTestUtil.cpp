#include "D3DXTestUtil.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace
{
// The program's own shader cache, removed when the program ends.
struct SCacheFolder
{
    std::string m_sDir;
    SCacheFolder()
    {
        std::string sTemplate = testing::TempDir() + "orv_shader_cache_XXXXXX";
        if (mkdtemp(sTemplate.data()))
            m_sDir = sTemplate;
        setenv("ORV_SHADER_CACHE", m_sDir.c_str(), 1);
    }
    ~SCacheFolder()
    {
        std::error_code error;
        if (!m_sDir.empty())
            std::filesystem::remove_all(m_sDir, error);
    }
};
} // namespace

const std::string& OrvTestShaderCache()
{
    static const SCacheFolder s_folder;
    return s_folder.m_sDir;
}

ID3DXEffect* OrvMakeEffect(IDirect3DDevice9* pDevice, const std::string& sSource,
                           std::string* pErrors)
{
    OrvTestShaderCache();
    ID3DXEffect* pEffect = nullptr;
    ID3DXBuffer* pBuffer = nullptr;
    HRESULT hr = D3DXCreateEffect(pDevice, sSource.data(), UINT(sSource.size()), nullptr, nullptr,
                                  0, nullptr, &pEffect, &pBuffer);
    if (pErrors)
        *pErrors = pBuffer ? static_cast<const char*>(pBuffer->GetBufferPointer()) : "";
    if (pBuffer)
        pBuffer->Release();
    return SUCCEEDED(hr) ? pEffect : nullptr;
}

void OrvDrawFullScreen(IDirect3DDevice9* pDevice)
{
    const SClipVertex aQuad[4] = {
        {-1, 1, 0, 1, 0, 0}, {1, 1, 0, 1, 1, 0}, {-1, -1, 0, 1, 0, 1}, {1, -1, 0, 1, 1, 1}};
    pDevice->SetFVF(CLIP_FVF);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SClipVertex));
}

#include "graphics/OrvResImage.h"

#include "core/OrvSniffer.h"
#include "core/OrvPropId.h"

#include <string>

COrvResImage::COrvResImage()
{
    m_pFileName = AddProperty<COrvPropString>(ORV_PROP_FILENAME, "");
}

COrvResImage::~COrvResImage()
{
    m_pFileName->Release();
}

void COrvResImage::SetFileName(const std::string& name)
{
    m_pFileName->SetValue(name);
}

void COrvResImage::Update()
{
    const std::string name = m_pFileName->GetValue();
    if (name == m_LoadedFileName)
        return;
    ReleaseTexture();
    m_LoadedFileName = name;
    if (name.empty() || !m_pDevice)
        return;
    EnterDataDir();
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* pTexture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileExA(
        m_pDevice, name.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &pTexture);
    if (FAILED(hr) || !pTexture)
    {
        if (pTexture)
            pTexture->Release();
        SnifferMessage(("Image file not loaded: " + name).c_str());
        ReportProblem(name, 0, "cannot read the image");
        return;
    }
    m_pTexture = pTexture;
    m_ImageInfo = info;
}

void COrvResImage::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
        m_LoadedFileName.clear();
    COrvResTexture::SetDevice(pDevice);
}

bool COrvResImage::GetSourceSize(UINT& width, UINT& height) const
{
    if (!m_pTexture)
        return false;
    width = m_ImageInfo.Width;
    height = m_ImageInfo.Height;
    return width > 0 && height > 0;
}

#include "graphics/OrvResImage.h"

#include "core/OrvSniffer.h"
#include "core/OrvPropId.h"

#include <string>
#include <utility>

COrvResImage::COrvResImage()
{
    m_pFileName = AddProperty<COrvPropString>(ORV_PROP_FILENAME, "");
}

COrvResImage::~COrvResImage() {}

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
    COrvComPtr<IDirect3DTexture9> pTexture;
    const HRESULT hr = D3DXCreateTextureFromFileExA(
        m_pDevice, name.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr,
        pTexture.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !pTexture)
    {
        SnifferMessage(("Image file not loaded: " + name).c_str());
        ReportProblem(name, 0, "cannot read the image");
        return;
    }
    m_pTexture = std::move(pTexture);
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

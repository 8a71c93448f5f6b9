#include "PlayerScreenshot.h"

#include "d3dx9tex.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace
{

// The back buffer has no alpha of its own: the picture is written opaque.
bool MakeOpaque(IDirect3DSurface9* pSurface, int iWidth, int iHeight)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(pSurface->LockRect(&locked, nullptr, 0)))
    {
        return false;
    }
    for (int y = 0; y < iHeight; ++y)
    {
        BYTE* pRow = static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        for (int x = 0; x < iWidth; ++x)
        {
            pRow[x * 4 + 3] = 0xFF;
        }
    }
    pSurface->UnlockRect();
    return true;
}

// A fresh name beside the target: "FILE.png.XXXXXX", created empty.
std::string MakeTemporaryBeside(const std::string& sFile)
{
    std::string sTemplate = sFile + ".XXXXXX";
    int iFd = mkstemp(sTemplate.data());
    if (iFd < 0)
    {
        return std::string();
    }
    // mkstemp makes the file private; a picture is an ordinary document.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(iFd, 0666 & ~mask);
    close(iFd);
    return sTemplate;
}

} // namespace

namespace
{
// Writes the scratch surface (made opaque) as PNG through a temporary file and a rename.
bool WriteOpaquePng(IDirect3DSurface9* pSurface, int iWidth, int iHeight,
                    const std::string& sFile, std::string& sError)
{
    bool bOk = MakeOpaque(pSurface, iWidth, iHeight);
    if (!bOk)
    {
        sError = "cannot read the picture back";
    }
    std::string sTemporary = bOk ? MakeTemporaryBeside(sFile) : std::string();
    if (bOk && sTemporary.empty())
    {
        sError = "cannot write \"" + sFile + "\": " + std::strerror(errno);
        bOk = false;
    }
    if (bOk && FAILED(D3DXSaveSurfaceToFileA(sTemporary.c_str(), D3DXIFF_PNG, pSurface, nullptr,
                                             nullptr)))
    {
        sError = "cannot write \"" + sFile + "\"";
        bOk = false;
    }
    if (bOk && std::rename(sTemporary.c_str(), sFile.c_str()) != 0)
    {
        sError = "cannot write \"" + sFile + "\": " + std::strerror(errno);
        bOk = false;
    }
    if (!bOk && !sTemporary.empty())
    {
        std::remove(sTemporary.c_str());
    }
    return bOk;
}

// A scratch surface to read a picture into; null (with the reason) when there is none.
COrvComPtr<IDirect3DSurface9> MakeReadBackSurface(IDirect3DDevice9* pDevice, int iWidth,
                                                  int iHeight, D3DPOOL ePool,
                                                  const std::string& sFile, std::string& sError)
{
    std::error_code ec;
    COrvComPtr<IDirect3DSurface9> pSurface;
    if (std::filesystem::is_directory(sFile, ec))
    {
        sError = "\"" + sFile + "\" is a folder";
        return pSurface;
    }
    if (FAILED(pDevice->CreateOffscreenPlainSurface(iWidth, iHeight, D3DFMT_A8R8G8B8, ePool,
                                                    pSurface.ReleaseAndGetAddressOf(), nullptr)) ||
        !pSurface)
    {
        sError = "cannot read the picture back";
        pSurface.Reset();
    }
    return pSurface;
}
} // namespace

bool SaveFrontBufferPng(IDirect3DDevice9* pDevice, int iWidth, int iHeight,
                        const std::string& sFile, std::string& sError)
{
    COrvComPtr<IDirect3DSurface9> pSurface =
        MakeReadBackSurface(pDevice, iWidth, iHeight, D3DPOOL_SCRATCH, sFile, sError);
    if (!pSurface)
    {
        return false;
    }
    if (FAILED(pDevice->GetFrontBufferData(0, pSurface.Get())))
    {
        sError = "cannot read the picture back";
        return false;
    }
    return WriteOpaquePng(pSurface.Get(), iWidth, iHeight, sFile, sError);
}

bool SaveSurfacePng(IDirect3DDevice9* pDevice, IDirect3DSurface9* pTarget, int iWidth, int iHeight,
                    const std::string& sFile, std::string& sError)
{
    COrvComPtr<IDirect3DSurface9> pSurface =
        MakeReadBackSurface(pDevice, iWidth, iHeight, D3DPOOL_SYSTEMMEM, sFile, sError);
    if (!pSurface)
    {
        return false;
    }
    if (FAILED(pDevice->GetRenderTargetData(pTarget, pSurface.Get())))
    {
        sError = "cannot read the picture back";
        return false;
    }
    return WriteOpaquePng(pSurface.Get(), iWidth, iHeight, sFile, sError);
}

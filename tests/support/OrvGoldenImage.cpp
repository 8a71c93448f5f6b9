#include "OrvGoldenImage.h"

#include <stb/stb_image_write.h>
#include <stb/stb_image.h>

#include <cstdlib>
#include <filesystem>

uint32_t SOrvImage::At(UINT x, UINT y) const
{
    const uint8_t* p = &m_aRGBA[((size_t)y * m_uWidth + x) * 4];
    return ((uint32_t)p[3] << 24) | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
}

bool OrvReadSurface(IDirect3DDevice9* pDevice, IDirect3DSurface9* pSurface, SOrvImage& rImage)
{
    D3DSURFACE_DESC desc;
    if (!pSurface || FAILED(pSurface->GetDesc(&desc)))
        return false;
    COrvComPtr<IDirect3DSurface9> pCopy;
    if (FAILED(pDevice->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8,
                                                    D3DPOOL_SYSTEMMEM,
                                                    pCopy.ReleaseAndGetAddressOf(), nullptr)))
        return false;
    bool bOk = SUCCEEDED(pDevice->GetRenderTargetData(pSurface, pCopy.Get()));
    D3DLOCKED_RECT locked;
    if (bOk && SUCCEEDED(pCopy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        rImage.m_uWidth = desc.Width;
        rImage.m_uHeight = desc.Height;
        rImage.m_aRGBA.resize((size_t)desc.Width * desc.Height * 4);
        for (UINT y = 0; y < desc.Height; ++y)
        {
            const uint8_t* pRow =
                static_cast<const uint8_t*>(locked.pBits) + (size_t)y * locked.Pitch;
            uint8_t* pOut = &rImage.m_aRGBA[(size_t)y * desc.Width * 4];
            for (UINT x = 0; x < desc.Width; ++x, pRow += 4, pOut += 4)
            {
                pOut[0] = pRow[2];
                pOut[1] = pRow[1];
                pOut[2] = pRow[0];
                pOut[3] = pRow[3];
            }
        }
        pCopy->UnlockRect();
    }
    else
        bOk = false;
    return bOk;
}

bool OrvReadRenderTarget(IDirect3DDevice9* pDevice, SOrvImage& rImage)
{
    COrvComPtr<IDirect3DSurface9> pTarget;
    if (FAILED(pDevice->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf())))
        return false;
    return OrvReadSurface(pDevice, pTarget.Get(), rImage);
}

bool OrvWritePNG(const std::string& sPath, const SOrvImage& rImage)
{
    return stbi_write_png(sPath.c_str(), (int)rImage.m_uWidth, (int)rImage.m_uHeight, 4,
                          rImage.m_aRGBA.data(), (int)rImage.m_uWidth * 4) != 0;
}

bool OrvLoadPNG(const std::string& sPath, SOrvImage& rImage)
{
    int iWidth = 0, iHeight = 0, iChannels = 0;
    stbi_uc* pPixels = stbi_load(sPath.c_str(), &iWidth, &iHeight, &iChannels, 4);
    if (!pPixels)
        return false;
    rImage.m_uWidth = (UINT)iWidth;
    rImage.m_uHeight = (UINT)iHeight;
    rImage.m_aRGBA.assign(pPixels, pPixels + (size_t)iWidth * iHeight * 4);
    stbi_image_free(pPixels);
    return true;
}

namespace
{
bool UpdateRequested()
{
    const char* szValue = getenv("ORV_UPDATE_GOLDEN");
    return szValue && *szValue && *szValue != '0';
}

std::string FileName(const std::string& sName)
{
    std::string sFile = sName;
    for (char& c : sFile)
        if (c == '/')
            c = '_';
    return sFile;
}
} // namespace

::testing::AssertionResult OrvMatchesGolden(const SOrvImage& rImage, const std::string& sName,
                                            int iTolerance)
{
    const std::string sGolden = std::string(ORV_GOLDEN_DIR) + "/" + sName + ".png";
    SOrvImage golden;
    const bool bHave = OrvLoadPNG(sGolden, golden);
    if (UpdateRequested() && !bHave)
    {
        std::filesystem::create_directories(std::filesystem::path(sGolden).parent_path());
        OrvWritePNG(sGolden, rImage);
        return ::testing::AssertionSuccess() << "wrote " << sGolden;
    }
    if (!bHave)
        return ::testing::AssertionFailure()
               << "no golden image " << sGolden << " (run with ORV_UPDATE_GOLDEN=1 to make it)";
    size_t uBad = 0;
    int iWorst = 0;
    SOrvImage diff = rImage;
    const bool bSameSize =
        golden.m_uWidth == rImage.m_uWidth && golden.m_uHeight == rImage.m_uHeight;
    if (bSameSize)
    {
        for (size_t i = 0; i < rImage.m_aRGBA.size(); i += 4)
        {
            int iPixelWorst = 0;
            for (int c = 0; c < 4; ++c)
                iPixelWorst = std::max(
                    iPixelWorst, std::abs((int)rImage.m_aRGBA[i + c] - (int)golden.m_aRGBA[i + c]));
            iWorst = std::max(iWorst, iPixelWorst);
            const bool bBad = iPixelWorst > iTolerance;
            uBad += bBad;
            diff.m_aRGBA[i] = bBad ? 255 : rImage.m_aRGBA[i] / 4;
            diff.m_aRGBA[i + 1] = bBad ? 0 : rImage.m_aRGBA[i + 1] / 4;
            diff.m_aRGBA[i + 2] = bBad ? 0 : rImage.m_aRGBA[i + 2] / 4;
            diff.m_aRGBA[i + 3] = 255;
        }
        if (uBad == 0)
            return ::testing::AssertionSuccess();
    }
    if (UpdateRequested())
    {
        OrvWritePNG(sGolden, rImage);
        return ::testing::AssertionSuccess() << "rewrote " << sGolden;
    }
    const std::string sFile = FileName(sName);
    OrvWritePNG(sFile + ".actual.png", rImage);
    if (bSameSize)
        OrvWritePNG(sFile + ".diff.png", diff);
    auto failure = ::testing::AssertionFailure();
    failure << sName << ": ";
    if (!bSameSize)
        failure << "size " << rImage.m_uWidth << "x" << rImage.m_uHeight << " instead of "
                << golden.m_uWidth << "x" << golden.m_uHeight;
    else
        failure << uBad << " pixels differ by more than " << iTolerance << " (worst " << iWorst
                << ")";
    return failure << "; see " << std::filesystem::current_path().string() << "/" << sFile
                   << ".actual.png and .diff.png";
}

// libFuzzer target: any bytes given to the D3DX image reader (BMP, JPEG, PNG, TGA, DDS) are
// refused with a reason or give an image whose levels hold what their sizes say, and every
// texture made of it (the file's format, 32-bit colour, DXT, scaled, colour-keyed) has the
// levels its plan says; read whole, the faces of cube maps and the slices of volumes too.
// Built with ORV_FUZZ=ON and run by scripts/fuzz.sh.
#include "BmpFile.h"
#include "ImageFile.h"
#include "PixelFormats.h"
#include "TextureLevels.h"
#include "VolumeLevels.h"

#include <stb_image.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// Pictures that would take long to unpack (the reader accepts up to 8192 x 8192) are left
// out, so that the fuzzer spends its time on the readers.
bool IsSmall(const uint8_t* pData, size_t uSize)
{
    constexpr int64_t kMaxPixels = 1 << 20;
    SOrvBmpHeader header;
    if (COrvBmpFile::ReadHeader(pData, uSize, header))
        return std::abs(int64_t(header.m_iWidth)) * std::abs(int64_t(header.m_iHeight)) <=
               kMaxPixels;
    int iWidth = 0, iHeight = 0, iChannels = 0;
    if (stbi_info_from_memory(pData, int(uSize), &iWidth, &iHeight, &iChannels))
        return int64_t(iWidth) * iHeight <= kMaxPixels;
    return true; // DDS files hold every pixel: their size bounds them
}

// Stops with the line of the broken promise.
#define Check(condition) CheckAt(condition, __LINE__)
void CheckAt(bool bCondition, int iLine)
{
    if (bCondition)
        return;
    std::fprintf(stderr, "check failed at line %d\n", iLine);
    std::abort();
}

void CheckLevels(const std::vector<SOrvImageLevel>& aLevels, D3DFORMAT eFormat)
{
    for (const SOrvImageLevel& rLevel : aLevels)
        Check(rLevel.m_auBytes.size() ==
              orv::pixels::ImageSize(eFormat, rLevel.m_uWidth, rLevel.m_uHeight) * rLevel.m_uDepth);
}

// The whole of a cube map or a volume: faces and slices as their sizes say, and volume
// textures made of it with the levels their plans say.
void CheckWhole(const uint8_t* pData, size_t uSize)
{
    SOrvImageSet image;
    std::string sError;
    if (!COrvImageFile::DecodeSet(pData, uSize, image, sError, EOrvImageContent::Whole))
        return;
    for (const std::vector<SOrvImageLevel>& rFace : image.m_aFaces)
        CheckLevels(rFace, image.m_eFormat);
    CheckLevels(image.m_aLevels, image.m_eFormat);
    if (image.m_Info.ResourceType != D3DRTYPE_VOLUMETEXTURE)
        return;
    Check(image.m_aLevels[0].m_uDepth == image.m_Info.Depth);
    for (UINT uDepth : {UINT(D3DX_DEFAULT), 3u})
    {
        const SOrvVolumePlan plan =
            COrvVolumeLevels::Plan(image, D3DX_DEFAULT, 5, uDepth, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                   0, [](D3DFORMAT eFormat) { return eFormat != D3DFMT_P8; });
        const std::vector<SOrvImageLevel> aLevels = COrvVolumeLevels::Build(image, plan);
        Check(aLevels.size() == plan.m_uLevels && aLevels[0].m_uDepth == plan.m_uDepth);
        CheckLevels(aLevels, plan.m_eFormat);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    if (!IsSmall(pData, uSize))
        return 0;
    SOrvImageSet image;
    std::string sError;
    if (!COrvImageFile::DecodeSet(pData, uSize, image, sError))
    {
        Check(!sError.empty());
        return 0;
    }
    Check(!image.m_aLevels.empty() && image.m_aLevels[0].m_uWidth == image.m_Info.Width &&
          image.m_aLevels[0].m_uHeight == image.m_Info.Height);
    Check(image.m_eFormat != D3DFMT_P8 || image.m_aPalette.size() == 256);
    CheckLevels(image.m_aLevels, image.m_eFormat);

    struct SRequest
    {
        UINT m_uWidth, m_uHeight, m_uLevels;
        D3DFORMAT m_eFormat;
        D3DCOLOR m_ColorKey;
        bool m_bDeviceHoldsAll;
    };
    const SRequest aRequests[] = {
        {D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0, true},
        {D3DX_DEFAULT, D3DX_DEFAULT, D3DX_FROM_FILE, D3DFMT_A8R8G8B8, 0xff000000, true},
        {7, 5, 2, D3DFMT_DXT5, 0, true},
        {D3DX_DEFAULT_NONPOW2, 3, 0, D3DFMT_FROM_FILE, 0xffffffff, false},
    };
    for (const SRequest& rRequest : aRequests)
    {
        const SOrvTexturePlan plan = COrvTextureLevels::Plan(
            image, rRequest.m_uWidth, rRequest.m_uHeight, rRequest.m_uLevels, 0, rRequest.m_eFormat,
            rRequest.m_ColorKey, [&](D3DFORMAT) { return rRequest.m_bDeviceHoldsAll; });
        Check(orv::pixels::CanEncode(plan.m_eFormat) && plan.m_uLevels >= 1);
        const std::vector<SOrvImageLevel> aLevels = COrvTextureLevels::Build(image, plan);
        Check(aLevels.size() == plan.m_uLevels);
        Check(aLevels[0].m_uWidth == plan.m_uWidth && aLevels[0].m_uHeight == plan.m_uHeight);
        CheckLevels(aLevels, plan.m_eFormat);
    }
    if (image.m_Info.ImageFileFormat == D3DXIFF_DDS)
        CheckWhole(pData, uSize);
    return 0;
}

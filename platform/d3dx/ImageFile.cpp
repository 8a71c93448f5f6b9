#include "ImageFile.h"

#include "BmpFile.h"
#include "DdsFile.h"
#include "JpegFile.h"
#include "OrvWholeFile.h"
#include "PixelFormats.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace
{
constexpr size_t s_uMaxFileBytes = 512u << 20;

int DetectFormat(const unsigned char* p, size_t uSize)
{
    if (uSize >= 8 && p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G')
        return D3DXIFF_PNG;
    if (uSize >= 2 && p[0] == 'B' && p[1] == 'M')
        return D3DXIFF_BMP;
    if (uSize >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return D3DXIFF_JPG;
    if (COrvDdsFile::IsDds(p, uSize))
        return D3DXIFF_DDS;
    return D3DXIFF_TGA;
}

void WriteToVector(void* pContext, void* pData, int iSize)
{
    auto* pOut = static_cast<std::vector<uint8_t>*>(pContext);
    pOut->insert(pOut->end(), static_cast<uint8_t*>(pData), static_cast<uint8_t*>(pData) + iSize);
}

// stb_image's reading of a picture into RGBA.
bool DecodeWithStb(const uint8_t* p, size_t uSize, SOrvPixels& rImage, std::string& sError)
{
    int iWidth = 0, iHeight = 0, iChannels = 0;
    if (!stbi_info_from_memory(p, int(uSize), &iWidth, &iHeight, &iChannels))
    {
        const char* pReason = stbi_failure_reason();
        sError = std::string("not an image in a known format: ") + (pReason ? pReason : "unknown");
        return false;
    }
    if (!COrvImageFile::IsAcceptedSize(iWidth, iHeight))
    {
        sError = "the image has no size or is too large";
        return false;
    }
    stbi_uc* pPixels = stbi_load_from_memory(p, int(uSize), &iWidth, &iHeight, &iChannels, 4);
    if (!pPixels)
    {
        const char* pReason = stbi_failure_reason();
        sError = std::string("the image cannot be decoded: ") + (pReason ? pReason : "unknown");
        return false;
    }
    rImage.m_uWidth = UINT(iWidth);
    rImage.m_uHeight = UINT(iHeight);
    rImage.m_auRgba.assign(pPixels, pPixels + size_t(iWidth) * size_t(iHeight) * 4);
    rImage.m_iFileChannels = iChannels;
    stbi_image_free(pPixels);
    return true;
}

// BMP: stb_image, FFmpeg for run lengths, our own reading of wide bit fields. Alpha only
// where the file's masks have it.
bool DecodeBmp(const uint8_t* p, size_t uSize, SOrvPixels& rImage, D3DFORMAT& reFormat,
               std::string& sError)
{
    SOrvBmpHeader header;
    if (!COrvBmpFile::ReadHeader(p, uSize, header))
    {
        sError = "the BMP's headers are cut short";
        return false;
    }
    if (!COrvImageFile::IsAcceptedSize(std::abs(int64_t(header.m_iWidth)),
                                       std::abs(int64_t(header.m_iHeight))))
    {
        sError = "the image has no size or is too large";
        return false;
    }
    reFormat = COrvBmpFile::FileFormat(header);
    const bool bRle =
        header.m_uCompression == COrvBmpFile::RLE8 || header.m_uCompression == COrvBmpFile::RLE4;
    // stb_image takes the masks of version 2 and 3 headers from the wrong place: bit fields
    // are read here.
    const bool bFields = header.m_uCompression == COrvBmpFile::BITFIELDS ||
                         header.m_uCompression == COrvBmpFile::ALPHABITFIELDS;
    bool bDone = bRle      ? COrvBmpFile::DecodeRle(p, uSize, rImage, sError)
                 : bFields ? COrvBmpFile::DecodeBitFields(p, uSize, header, rImage, sError)
                           : DecodeWithStb(p, uSize, rImage, sError);
    if (!bDone && !bRle && !bFields)
        bDone = COrvBmpFile::DecodeBitFields(p, uSize, header, rImage, sError) ||
                COrvBmpFile::DecodeRle(p, uSize, rImage, sError);
    if (!bDone)
        return false;
    if (!orv::pixels::HasAlpha(reFormat) || reFormat == D3DFMT_P8)
        for (size_t i = 3; i < rImage.m_auRgba.size(); i += 4)
            rImage.m_auRgba[i] = 255;
    return true;
}

// TGA: stb_image reads every kind but the right-to-left ones, which are mirrored here.
bool DecodeTga(const uint8_t* p, size_t uSize, SOrvPixels& rImage, D3DFORMAT& reFormat,
               std::string& sError)
{
    if (uSize < 18 || !DecodeWithStb(p, uSize, rImage, sError))
    {
        if (sError.empty())
            sError = "not an image in a known format";
        return false;
    }
    const int iType = p[2] & 7, iBits = p[16], iAlphaBits = p[17] & 15;
    reFormat = iType == 1    ? D3DFMT_P8
               : iType == 3  ? (iBits == 16 ? D3DFMT_A8L8 : D3DFMT_L8)
               : iBits == 32 ? D3DFMT_A8R8G8B8
               : iBits == 24 ? D3DFMT_R8G8B8
               : iAlphaBits  ? D3DFMT_A1R5G5B5
                             : D3DFMT_X1R5G5B5;
    if (p[17] & 0x10)
        for (UINT y = 0; y < rImage.m_uHeight; ++y)
        {
            auto* pRow =
                reinterpret_cast<uint32_t*>(&rImage.m_auRgba[size_t(y) * rImage.m_uWidth * 4]);
            std::reverse(pRow, pRow + rImage.m_uWidth);
        }
    return true;
}

D3DFORMAT PngFormat(const uint8_t* p, size_t uSize)
{
    if (uSize < 26)
        return D3DFMT_UNKNOWN;
    const bool bWide = p[24] == 16;
    switch (p[25])
    {
    case 0:
        return bWide ? D3DFMT_L16 : D3DFMT_L8;
    case 2:
        return bWide ? D3DFMT_A16B16G16R16 : D3DFMT_X8R8G8B8;
    case 3:
        return D3DFMT_P8;
    case 4:
        return D3DFMT_A8L8;
    default:
        return bWide ? D3DFMT_A16B16G16R16 : D3DFMT_A8R8G8B8;
    }
}

bool DecodePicture(const uint8_t* p, size_t uSize, int iFileFormat, SOrvPixels& rImage,
                   D3DFORMAT& reFormat, std::string& sError)
{
    switch (iFileFormat)
    {
    case D3DXIFF_BMP:
        return DecodeBmp(p, uSize, rImage, reFormat, sError);
    case D3DXIFF_TGA:
        return DecodeTga(p, uSize, rImage, reFormat, sError);
    case D3DXIFF_PNG:
        reFormat = PngFormat(p, uSize);
        return DecodeWithStb(p, uSize, rImage, sError);
    default:
        // JPEG: libjpeg, the reference decoder, reads every file the format allows;
        // stb_image refuses some valid progressive ones.
        if (!COrvJpegFile::Decode(p, uSize, rImage, sError))
            return false;
        reFormat = rImage.m_iFileChannels == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
        return true;
    }
}
} // namespace

bool COrvImageFile::IsAcceptedSize(int64_t iWidth, int64_t iHeight)
{
    return iWidth > 0 && iHeight > 0 && iWidth <= int64_t(ORV_MAX_IMAGE_SIZE) &&
           iHeight <= int64_t(ORV_MAX_IMAGE_SIZE) &&
           iWidth * iHeight <= int64_t(ORV_MAX_IMAGE_PIXELS);
}

bool COrvImageFile::ReadFile(const std::string& sFileName, std::vector<uint8_t>& rauData,
                             std::string& sError)
{
    if (!OrvReadWholeFile(sFileName, s_uMaxFileBytes, rauData, sError))
        return false;
    if (rauData.empty())
    {
        sError = sFileName + " is empty";
        return false;
    }
    return true;
}

bool COrvImageFile::LoadSet(const std::string& sFileName, SOrvImageSet& rImage, std::string& sError)
{
    std::vector<uint8_t> auData;
    return ReadFile(sFileName, auData, sError) &&
           DecodeSet(auData.data(), auData.size(), rImage, sError);
}

bool COrvImageFile::DecodeSet(const void* pData, size_t uSize, SOrvImageSet& rImage,
                              std::string& sError, EOrvImageContent eContent)
{
    rImage = SOrvImageSet();
    const auto* p = static_cast<const uint8_t*>(pData);
    if (!p || uSize == 0 || uSize > s_uMaxFileBytes)
    {
        sError = "not an image in a known format";
        return false;
    }
    const int iFileFormat = DetectFormat(p, uSize);
    if (iFileFormat == D3DXIFF_DDS)
        return COrvDdsFile::Decode(p, uSize, rImage, sError, eContent);
    SOrvPixels pixels;
    D3DFORMAT eFileFormat = D3DFMT_UNKNOWN;
    if (!DecodePicture(p, uSize, iFileFormat, pixels, eFileFormat, sError))
        return false;
    D3DXIMAGE_INFO& rInfo = rImage.m_Info;
    rInfo.Width = pixels.m_uWidth;
    rInfo.Height = pixels.m_uHeight;
    rInfo.Depth = 1;
    rInfo.MipLevels = 1;
    rInfo.Format = eFileFormat == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : eFileFormat;
    rInfo.ResourceType = D3DRTYPE_TEXTURE;
    rInfo.ImageFileFormat = D3DXIMAGE_FILEFORMAT(iFileFormat);
    rImage.m_eFormat = D3DFMT_A8B8G8R8;
    rImage.m_bAlpha = false;
    for (size_t i = 3; i < pixels.m_auRgba.size() && !rImage.m_bAlpha; i += 4)
        rImage.m_bAlpha = pixels.m_auRgba[i] != 255;
    SOrvImageLevel level;
    level.m_uWidth = pixels.m_uWidth;
    level.m_uHeight = pixels.m_uHeight;
    level.m_auBytes = std::move(pixels.m_auRgba);
    rImage.m_aLevels.push_back(std::move(level));
    return true;
}

bool COrvImageFile::Load(const std::string& sFileName, SOrvPixels& image, std::string& sError)
{
    std::vector<uint8_t> auData;
    return ReadFile(sFileName, auData, sError) &&
           Decode(auData.data(), auData.size(), image, sError);
}

bool COrvImageFile::Decode(const void* pData, size_t uSize, SOrvPixels& image, std::string& sError)
{
    image = SOrvPixels();
    SOrvImageSet set;
    if (!DecodeSet(pData, uSize, set, sError))
        return false;
    const SOrvImageLevel& rLevel = set.m_aLevels[0];
    image.m_uWidth = rLevel.m_uWidth;
    image.m_uHeight = rLevel.m_uHeight;
    image.m_auRgba.resize(size_t(rLevel.m_uWidth) * rLevel.m_uHeight * 4);
    orv::pixels::ToRgba(set.m_eFormat, rLevel.m_auBytes.data(), rLevel.m_uWidth, rLevel.m_uHeight,
                        set.m_aPalette.data(), image.m_auRgba.data());
    image.m_iFileFormat = set.m_Info.ImageFileFormat;
    const D3DFORMAT eFormat = set.m_Info.Format;
    const bool bGrey = eFormat == D3DFMT_L8 || eFormat == D3DFMT_L16 || eFormat == D3DFMT_A8L8 ||
                       eFormat == D3DFMT_A4L4;
    const bool bAlpha = orv::pixels::HasAlpha(eFormat) && eFormat != D3DFMT_P8;
    image.m_iFileChannels = bGrey ? (bAlpha ? 2 : 1) : (bAlpha ? 4 : 3);
    return true;
}

bool COrvImageFile::Save(const std::string& sFileName, const SOrvPixels& image, bool bPng)
{
    if (image.m_uWidth == 0 || image.m_uHeight == 0 ||
        image.m_auRgba.size() != size_t(image.m_uWidth) * image.m_uHeight * 4)
        return false;
    std::vector<uint8_t> auFile;
    int iWidth = int(image.m_uWidth), iHeight = int(image.m_uHeight);
    int iOk = 0;
    if (bPng)
        iOk = stbi_write_png_to_func(WriteToVector, &auFile, iWidth, iHeight, 4,
                                     image.m_auRgba.data(), iWidth * 4);
    else
    {
        bool bOpaque = true;
        for (size_t i = 3; i < image.m_auRgba.size(); i += 4)
            bOpaque &= image.m_auRgba[i] == 255;
        std::vector<uint8_t> auRgb;
        if (bOpaque)
        {
            for (size_t i = 0; i < image.m_auRgba.size(); i += 4)
                auRgb.insert(auRgb.end(),
                             {image.m_auRgba[i], image.m_auRgba[i + 1], image.m_auRgba[i + 2]});
        }
        iOk = stbi_write_bmp_to_func(WriteToVector, &auFile, iWidth, iHeight, bOpaque ? 3 : 4,
                                     bOpaque ? auRgb.data() : image.m_auRgba.data());
    }
    if (!iOk)
        return false;
    std::ofstream file(sFileName, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(auFile.data()), std::streamsize(auFile.size()));
    return bool(file.flush());
}

SOrvPixels COrvImageFile::HalfSize(const SOrvPixels& image)
{
    SOrvPixels half;
    half.m_uWidth = std::max(1u, image.m_uWidth / 2);
    half.m_uHeight = std::max(1u, image.m_uHeight / 2);
    half.m_auRgba.resize(size_t(half.m_uWidth) * half.m_uHeight * 4);
    for (UINT y = 0; y < half.m_uHeight; ++y)
        for (UINT x = 0; x < half.m_uWidth; ++x)
            for (UINT c = 0; c < 4; ++c)
            {
                UINT uSum = 0, uCount = 0;
                for (UINT dy = 0; dy < 2; ++dy)
                    for (UINT dx = 0; dx < 2; ++dx)
                    {
                        UINT sx = std::min(2 * x + dx, image.m_uWidth - 1);
                        UINT sy = std::min(2 * y + dy, image.m_uHeight - 1);
                        uSum += image.m_auRgba[(size_t(sy) * image.m_uWidth + sx) * 4 + c];
                        ++uCount;
                    }
                half.m_auRgba[(size_t(y) * half.m_uWidth + x) * 4 + c] =
                    uint8_t((uSum + uCount / 2) / uCount);
            }
    return half;
}

SOrvPixels COrvImageFile::Resize(const SOrvPixels& image, UINT uWidth, UINT uHeight)
{
    if (uWidth == image.m_uWidth && uHeight == image.m_uHeight)
        return image;
    SOrvPixels result;
    result.m_uWidth = uWidth;
    result.m_uHeight = uHeight;
    result.m_iFileChannels = image.m_iFileChannels;
    result.m_iFileFormat = image.m_iFileFormat;
    result.m_auRgba.resize(size_t(uWidth) * uHeight * 4);
    float fScaleX = float(image.m_uWidth) / float(uWidth);
    float fScaleY = float(image.m_uHeight) / float(uHeight);
    for (UINT y = 0; y < uHeight; ++y)
        for (UINT x = 0; x < uWidth; ++x)
        {
            // The source area this pixel covers, at least one source pixel wide.
            float fX0 = x * fScaleX, fY0 = y * fScaleY;
            float fX1 = std::max(fX0 + fScaleX, fX0 + 1.0f),
                  fY1 = std::max(fY0 + fScaleY, fY0 + 1.0f);
            if (fScaleX < 1.0f)
                fX0 = std::clamp((x + 0.5f) * fScaleX - 0.5f, 0.0f, float(image.m_uWidth - 1)),
                fX1 = fX0 + 1.0f;
            if (fScaleY < 1.0f)
                fY0 = std::clamp((y + 0.5f) * fScaleY - 0.5f, 0.0f, float(image.m_uHeight - 1)),
                fY1 = fY0 + 1.0f;
            float afSum[4] = {0, 0, 0, 0};
            float fWeight = 0;
            for (UINT sy = UINT(fY0); sy < UINT(std::ceil(fY1)) && sy < image.m_uHeight; ++sy)
                for (UINT sx = UINT(fX0); sx < UINT(std::ceil(fX1)) && sx < image.m_uWidth; ++sx)
                {
                    float fW = (std::min(fX1, float(sx + 1)) - std::max(fX0, float(sx))) *
                               (std::min(fY1, float(sy + 1)) - std::max(fY0, float(sy)));
                    if (fW <= 0)
                        continue;
                    for (int c = 0; c < 4; ++c)
                        afSum[c] += fW * image.m_auRgba[(size_t(sy) * image.m_uWidth + sx) * 4 + c];
                    fWeight += fW;
                }
            for (int c = 0; c < 4; ++c)
                result.m_auRgba[(size_t(y) * uWidth + x) * 4 + c] =
                    uint8_t(std::clamp(afSum[c] / std::max(fWeight, 1e-6f) + 0.5f, 0.0f, 255.0f));
        }
    return result;
}

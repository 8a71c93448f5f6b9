#include "ImageFile.h"

#include "d3dx9tex.h"

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
    return D3DXIFF_TGA;
}

void WriteToVector(void* pContext, void* pData, int iSize)
{
    auto* pOut = static_cast<std::vector<uint8_t>*>(pContext);
    pOut->insert(pOut->end(), static_cast<uint8_t*>(pData), static_cast<uint8_t*>(pData) + iSize);
}
} // namespace

bool COrvImageFile::Load(const std::string& sFileName, SOrvPixels& image, std::string& sError)
{
    std::ifstream file(sFileName, std::ios::binary | std::ios::ate);
    if (!file)
    {
        sError = "cannot open " + sFileName;
        return false;
    }
    std::streamoff iSize = file.tellg();
    if (iSize <= 0 || size_t(iSize) > s_uMaxFileBytes)
    {
        sError = sFileName + " is empty or too large";
        return false;
    }
    std::vector<char> acData(static_cast<size_t>(iSize));
    file.seekg(0);
    if (!file.read(acData.data(), iSize))
    {
        sError = "cannot read " + sFileName;
        return false;
    }
    return Decode(acData.data(), acData.size(), image, sError);
}

bool COrvImageFile::Decode(const void* pData, size_t uSize, SOrvPixels& image, std::string& sError)
{
    image = SOrvPixels();
    const auto* p = static_cast<const unsigned char*>(pData);
    int iWidth = 0, iHeight = 0, iChannels = 0;
    if (!p || uSize == 0 || uSize > s_uMaxFileBytes ||
        !stbi_info_from_memory(p, int(uSize), &iWidth, &iHeight, &iChannels))
    {
        sError = "not an image in a known format";
        return false;
    }
    if (iWidth <= 0 || iHeight <= 0 || UINT(iWidth) > ORV_MAX_IMAGE_SIZE ||
        UINT(iHeight) > ORV_MAX_IMAGE_SIZE)
    {
        sError = "the image is too large";
        return false;
    }
    stbi_uc* pPixels = stbi_load_from_memory(p, int(uSize), &iWidth, &iHeight, &iChannels, 4);
    if (!pPixels)
    {
        const char* pReason = stbi_failure_reason();
        sError = std::string("the image cannot be decoded: ") + (pReason ? pReason : "unknown");
        return false;
    }
    image.m_uWidth = UINT(iWidth);
    image.m_uHeight = UINT(iHeight);
    image.m_auRgba.assign(pPixels, pPixels + size_t(iWidth) * size_t(iHeight) * 4);
    image.m_iFileChannels = iChannels;
    image.m_iFileFormat = DetectFormat(p, uSize);
    stbi_image_free(pPixels);
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

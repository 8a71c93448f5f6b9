#include "DxtCodec.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{
using Colour = std::array<int, 3>;

Colour Expand565(unsigned uValue)
{
    const unsigned r = (uValue >> 11) & 31, g = (uValue >> 5) & 63, b = uValue & 31;
    return {int((r << 3) | (r >> 2)), int((g << 2) | (g >> 4)), int((b << 3) | (b >> 2))};
}

unsigned Pack565(const Colour& colour)
{
    auto quantize = [](int iValue, int iMax)
    { return unsigned((std::clamp(iValue, 0, 255) * iMax + 127) / 255); };
    return quantize(colour[0], 31) << 11 | quantize(colour[1], 63) << 5 | quantize(colour[2], 31);
}

// The four colours a block's two end points give; bFourColour false gives the
// three-colour mode, whose fourth entry is transparent black.
std::array<Colour, 4> Palette(unsigned u0, unsigned u1, bool bFourColour)
{
    const Colour c0 = Expand565(u0), c1 = Expand565(u1);
    std::array<Colour, 4> palette{c0, c1, Colour{}, Colour{}};
    for (int c = 0; c < 3; ++c)
    {
        if (bFourColour)
        {
            palette[2][c] = (2 * c0[c] + c1[c]) / 3;
            palette[3][c] = (c0[c] + 2 * c1[c]) / 3;
        }
        else
            palette[2][c] = (c0[c] + c1[c]) / 2;
    }
    return palette;
}

void DecodeColour(const uint8_t* pBlock, bool bAlwaysFour, uint8_t* pRgba)
{
    const unsigned u0 = pBlock[0] | pBlock[1] << 8, u1 = pBlock[2] | pBlock[3] << 8;
    const bool bFour = bAlwaysFour || u0 > u1;
    const std::array<Colour, 4> palette = Palette(u0, u1, bFour);
    const uint32_t uIndices =
        pBlock[4] | pBlock[5] << 8 | pBlock[6] << 16 | uint32_t(pBlock[7]) << 24;
    for (int i = 0; i < 16; ++i)
    {
        const unsigned uIndex = (uIndices >> (2 * i)) & 3;
        for (int c = 0; c < 3; ++c)
            pRgba[4 * i + c] = uint8_t(palette[uIndex][c]);
        pRgba[4 * i + 3] = (!bFour && uIndex == 3) ? 0 : 255;
    }
}

std::array<int, 8> AlphaPalette(int a0, int a1)
{
    std::array<int, 8> palette{a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1)
        for (int i = 2; i < 8; ++i)
            palette[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
    else
        for (int i = 2; i < 6; ++i)
            palette[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
    return palette;
}

void DecodeAlpha5(const uint8_t* pBlock, uint8_t* pRgba)
{
    const std::array<int, 8> palette = AlphaPalette(pBlock[0], pBlock[1]);
    uint64_t uBits = 0;
    for (int i = 0; i < 6; ++i)
        uBits |= uint64_t(pBlock[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        pRgba[4 * i + 3] = uint8_t(palette[(uBits >> (3 * i)) & 7]);
}

void DecodeAlpha3(const uint8_t* pBlock, uint8_t* pRgba)
{
    for (int i = 0; i < 16; ++i)
        pRgba[4 * i + 3] = uint8_t(((pBlock[i / 2] >> (4 * (i & 1))) & 15) * 17);
}

int Distance(const Colour& a, const uint8_t* pPixel)
{
    int iSum = 0;
    for (int c = 0; c < 3; ++c)
        iSum += (a[c] - pPixel[c]) * (a[c] - pPixel[c]);
    return iSum;
}

// End points on the principal axis of the chosen pixels' colours.
void FitLine(const uint8_t* pRgba, const bool* pbUse, Colour& rLow, Colour& rHigh)
{
    double adMean[3] = {0, 0, 0};
    int iCount = 0;
    for (int i = 0; i < 16; ++i)
        if (pbUse[i])
        {
            for (int c = 0; c < 3; ++c)
                adMean[c] += pRgba[4 * i + c];
            ++iCount;
        }
    for (double& d : adMean)
        d /= std::max(iCount, 1);
    double adCov[3][3] = {};
    for (int i = 0; i < 16; ++i)
        if (pbUse[i])
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    adCov[a][b] += (pRgba[4 * i + a] - adMean[a]) * (pRgba[4 * i + b] - adMean[b]);
    double adAxis[3] = {1, 1, 1};
    for (int iStep = 0; iStep < 8; ++iStep)
    {
        double adNext[3] = {0, 0, 0};
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                adNext[a] += adCov[a][b] * adAxis[b];
        const double dLength =
            std::sqrt(adNext[0] * adNext[0] + adNext[1] * adNext[1] + adNext[2] * adNext[2]);
        if (dLength < 1e-9)
            break;
        for (int a = 0; a < 3; ++a)
            adAxis[a] = adNext[a] / dLength;
    }
    double dMin = 1e9, dMax = -1e9;
    for (int i = 0; i < 16; ++i)
        if (pbUse[i])
        {
            double dT = 0;
            for (int c = 0; c < 3; ++c)
                dT += (pRgba[4 * i + c] - adMean[c]) * adAxis[c];
            dMin = std::min(dMin, dT);
            dMax = std::max(dMax, dT);
        }
    if (iCount == 0)
        dMin = dMax = 0;
    for (int c = 0; c < 3; ++c)
    {
        rLow[c] = int(std::lround(adMean[c] + dMin * adAxis[c]));
        rHigh[c] = int(std::lround(adMean[c] + dMax * adAxis[c]));
    }
}

void EncodeColour(const uint8_t* pRgba, bool bPunchThrough, uint8_t* pBlock)
{
    bool abUse[16];
    bool bTransparent = false;
    for (int i = 0; i < 16; ++i)
    {
        abUse[i] = !bPunchThrough || pRgba[4 * i + 3] >= 128;
        bTransparent |= !abUse[i];
    }
    Colour low{}, high{};
    FitLine(pRgba, abUse, low, high);
    unsigned u0 = Pack565(high), u1 = Pack565(low);
    // Four colours need the first end point above the second; three colours (with
    // transparent black) need it at or below.
    if (bTransparent ? u0 > u1 : u0 < u1)
        std::swap(u0, u1);
    const bool bFour = !bTransparent && u0 > u1;
    const std::array<Colour, 4> palette = Palette(u0, u1, bFour || !bPunchThrough);
    uint32_t uIndices = 0;
    for (int i = 0; i < 16; ++i)
    {
        unsigned uBest = 3;
        if (abUse[i])
        {
            int iBest = 1 << 30;
            const unsigned uChoices = (bFour || !bPunchThrough) ? 4 : 3;
            for (unsigned k = 0; k < uChoices; ++k)
                if (int iDistance = Distance(palette[k], pRgba + 4 * i); iDistance < iBest)
                    iBest = iDistance, uBest = k;
        }
        uIndices |= uint32_t(uBest) << (2 * i);
    }
    const uint8_t auBytes[8] = {uint8_t(u0),
                                uint8_t(u0 >> 8),
                                uint8_t(u1),
                                uint8_t(u1 >> 8),
                                uint8_t(uIndices),
                                uint8_t(uIndices >> 8),
                                uint8_t(uIndices >> 16),
                                uint8_t(uIndices >> 24)};
    std::copy(auBytes, auBytes + 8, pBlock);
}

void EncodeAlpha5(const uint8_t* pRgba, uint8_t* pBlock)
{
    int iLow = 255, iHigh = 0;
    for (int i = 0; i < 16; ++i)
    {
        iLow = std::min<int>(iLow, pRgba[4 * i + 3]);
        iHigh = std::max<int>(iHigh, pRgba[4 * i + 3]);
    }
    const std::array<int, 8> palette = AlphaPalette(iHigh, iLow);
    uint64_t uBits = 0;
    for (int i = 0; i < 16; ++i)
    {
        unsigned uBest = 0;
        for (unsigned k = 1; k < 8; ++k)
            if (std::abs(palette[k] - pRgba[4 * i + 3]) <
                std::abs(palette[uBest] - pRgba[4 * i + 3]))
                uBest = k;
        uBits |= uint64_t(uBest) << (3 * i);
    }
    pBlock[0] = uint8_t(iHigh);
    pBlock[1] = uint8_t(iLow);
    for (int i = 0; i < 6; ++i)
        pBlock[2 + i] = uint8_t(uBits >> (8 * i));
}

void EncodeAlpha3(const uint8_t* pRgba, uint8_t* pBlock)
{
    for (int i = 0; i < 8; ++i)
    {
        const unsigned uLow = (pRgba[8 * i + 3] * 15u + 127) / 255;
        const unsigned uHigh = (pRgba[8 * i + 7] * 15u + 127) / 255;
        pBlock[i] = uint8_t(uLow | uHigh << 4);
    }
}
} // namespace

void orv::dxt::DecodeBlock(EOrvDxt eKind, const uint8_t* pBlock, uint8_t* pRgba)
{
    if (eKind == EOrvDxt::DXT1)
        return DecodeColour(pBlock, false, pRgba);
    DecodeColour(pBlock + 8, true, pRgba);
    if (eKind == EOrvDxt::DXT3)
        DecodeAlpha3(pBlock, pRgba);
    else
        DecodeAlpha5(pBlock, pRgba);
}

void orv::dxt::EncodeBlock(EOrvDxt eKind, const uint8_t* pRgba, uint8_t* pBlock)
{
    if (eKind == EOrvDxt::DXT1)
        return EncodeColour(pRgba, true, pBlock);
    EncodeColour(pRgba, false, pBlock + 8);
    if (eKind == EOrvDxt::DXT3)
        EncodeAlpha3(pRgba, pBlock);
    else
        EncodeAlpha5(pRgba, pBlock);
}

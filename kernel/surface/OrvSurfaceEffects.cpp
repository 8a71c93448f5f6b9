#include "surface/OrvSurface.h"

#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace orv::surface;

namespace
{
bool SameSize(const ORV_Surface* pA, const ORV_Surface* pB)
{
    return pA && pB && pA->GetPixels() && pB->GetPixels() && pA->GetWidth() == pB->GetWidth() &&
           pA->GetHeight() == pB->GetHeight();
}

// The source is addressed with the destination's width: it must hold as many pixels.
bool HoldsAtLeast(const ORV_Surface* pSource, const ORV_Surface& dest)
{
    return pSource && pSource->GetPixels() && dest.GetPixels() &&
           int64_t(pSource->GetWidth()) * pSource->GetHeight() >=
               int64_t(dest.GetWidth()) * dest.GetHeight();
}

// The wobble's sine table: entry i = truncate(sin(i * 3.1415 * 2 / 256) * 127).
const std::array<int, 256>& SineTable()
{
    static const std::array<int, 256> s_Table = []
    {
        std::array<int, 256> table{};
        for (int i = 0; i < 256; ++i)
            table[i] = int(std::sin(i * 3.1415 * 2 / 256) * 127);
        return table;
    }();
    return s_Table;
}

int PositiveModulo(int64_t value, int64_t size)
{
    const int64_t r = value % size;
    return int(r < 0 ? r + size : r);
}
} // namespace

// Cross-fade: x = 0 gives a × 255/256, x = 1 gives b minus a/256.
void ORV_Surface::Fade(ORV_Surface* pA, ORV_Surface* pB, float x)
{
    if (!SameSize(pA, this) || !SameSize(pB, this))
        return;
    const int64_t e = Trunc(x * 256);
    const uint32_t* pa = pA->GetPixels();
    const uint32_t* pb = pB->GetPixels();
    auto mix = [e](int ca, int cb) { return ClampByte(((255 - e) * ca + e * cb) / 256); };
    const int count = PixelCount();
    for (int i = 0; i < count; ++i)
    {
        const uint32_t a = pa[i], b = pb[i];
        m_pPixels[i] =
            MakeRGB(mix(RedWide(a), RedWide(b)), mix(Green(a), Green(b)), mix(Blue(a), Blue(b)));
    }
}

// Each pixel takes the source pixel diagonally displaced by the map's blue channel.
void ORV_Surface::Dispersion(ORV_Surface* pSource, ORV_Surface* pMap, float amount)
{
    if (!HoldsAtLeast(pSource, *this) || !HoldsAtLeast(pMap, *this))
        return;
    const int64_t k = Trunc(amount * 255);
    const uint32_t* pSrc = pSource->GetPixels();
    const uint32_t* pMapPixels = pMap->GetPixels();
    for (int y = 0; y < m_iHeight; ++y)
        for (int x = 0; x < m_iWidth; ++x)
        {
            const int index = x + y * m_iWidth;
            const int64_t d = k < 0 ? 0 : (k * Blue(pMapPixels[index])) >> 11;
            const int64_t sx = Clamp64(x + d, 0, m_iWidth - 1);
            const int64_t sy = Clamp64(y + d, 0, m_iHeight - 1);
            m_pPixels[index] = pSrc[sx + sy * m_iWidth];
        }
}

// Displacement along a sine/cosine field scaled by the map; a two-pixel border stays.
void ORV_Surface::Dispersion2(ORV_Surface* pSource, ORV_Surface* pMap, float)
{
    if (!HoldsAtLeast(pSource, *this) || !HoldsAtLeast(pMap, *this))
        return;
    const uint32_t* pSrc = pSource->GetPixels();
    const uint32_t* pMapPixels = pMap->GetPixels();
    for (int y = 2; y < m_iHeight - 2; ++y)
        for (int x = 2; x < m_iWidth - 2; ++x)
        {
            const int index = x + y * m_iWidth;
            const int m = Blue(pMapPixels[index]);
            const int64_t sx = Clamp64(x + (Trunc(std::sin(0.1 * x) * m) >> 2), 0, m_iWidth - 1);
            const int64_t sy = Clamp64(y + (Trunc(m * std::cos(0.1 * y)) >> 2), 0, m_iHeight - 1);
            m_pPixels[index] = pSrc[sx + sy * m_iWidth];
        }
}

// Shifts each row sideways by a wave; pixels uncovered by the shift keep their values.
void ORV_Surface::Parasitize(float x)
{
    if (x < 0.001 || !m_pPixels)
        return;
    const int H = m_iHeight;
    for (int y = 0; y < H; ++y)
    {
        const int d = y - H / 2;
        const double f = std::sin(x * d * 50 * 6.28 / H);
        const double g = std::sin(x * d * 45 * 6.28 / H);
        const int64_t shift = Trunc(x * g * f * 50 * x);
        const int64_t moved = m_iWidth - std::llabs(shift);
        if (shift == 0 || moved <= 0)
            continue;
        uint32_t* pRow = m_pPixels + int64_t(y) * m_iWidth;
        if (shift < 0)
            std::memmove(pRow, pRow - shift, size_t(moved) * sizeof(uint32_t));
        else
            std::memmove(pRow + shift, pRow, size_t(moved) * sizeof(uint32_t));
    }
}

// Wobble distortion: each pixel is fetched from the source, which wraps around, up to 15
// pixels away along a rotating sine field. On a 512 x 256 source the wrap is & 511, & 255.
void ORV_Surface::PutBobBlur(ORV_Surface* pSource, int, int, float angle, float amount)
{
    if (!pSource || !pSource->GetPixels() || !m_pPixels)
        return;
    const std::array<int, 256>& table = SineTable();
    const double a = angle;
    const float w = float(std::cos(a) * 512), s = float(std::sin(a) * 512);
    const int32_t duRow = Trunc((float(std::cos(a + 3.14 + 1.57) * 512) - w) * 4096 / 512);
    const int32_t dvRow = Trunc((float(std::sin(a + 3.14 + 1.57) * 512) - s) * 4096 / 512);
    const int32_t duCol = Trunc((float(std::cos(a + 1.57) * 512) - w) * 4096 / 512);
    const int32_t dvCol = Trunc((float(std::sin(a + 1.57) * 512) - s) * 4096 / 512);
    const int32_t D = Trunc(amount * 10 * 65536);
    const double p = amount * 6.28 * 0.5;
    const int32_t Fu = Trunc(WrapMul(D, 256) - std::cos(p) * D * 256);
    const int32_t Fv = Trunc(WrapMul(D, 128) - std::sin(p) * D * 128);
    int32_t rowU = Trunc(w * 4096), rowV = Trunc(s * 4096);

    const int sw = pSource->GetWidth(), sh = pSource->GetHeight();
    const uint32_t* pSrc = pSource->GetPixels();
    for (int y = 0; y < m_iHeight; ++y)
    {
        rowU = WrapAdd(rowU, duRow);
        rowV = WrapAdd(rowV, dvRow);
        int32_t u = rowU, v = rowV;
        uint32_t* pRow = m_pPixels + int64_t(y) * m_iWidth;
        for (int x = 0; x < m_iWidth; ++x)
        {
            const int ou = table[(WrapSub(WrapMul(D, u >> 12), Fu) >> 16) & 255] >> 3;
            const int ov = table[(WrapSub(WrapMul(D, v >> 12), Fv) >> 16) & 255] >> 3;
            const int sx = PositiveModulo(int64_t(x) + ou, sw);
            const int sy = PositiveModulo(int64_t(y) + ov, sh);
            pRow[x] = pSrc[sx + int64_t(sy) * sw];
            u = WrapAdd(u, duCol);
            v = WrapAdd(v, dvCol);
        }
    }
}

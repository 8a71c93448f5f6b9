#include "surface/OrvSurface.h"

#include "core/OrvSniffer.h"
#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

using namespace orv::surface;

namespace
{
// Larger sizes are refused: every index x + y * width must fit an int.
constexpr int64_t kMaxPixels = int64_t(1) << 28;

// Applies a per-channel function to blue, green and red; alpha becomes 0.
template <typename F> uint32_t MapChannels(uint32_t pixel, F function)
{
    return MakeRGB(function(Red(pixel)), function(Green(pixel)), function(Blue(pixel)));
}
} // namespace

ORV_Surface::ORV_Surface() = default;

ORV_Surface::ORV_Surface(int iWidth, int iHeight)
{
    Allocate(iWidth, iHeight);
}

// A copy starts with no holders of its own; it shares the pixels of the original.
ORV_Surface::ORV_Surface(const ORV_Surface& other)
    : COrvObject(), m_iWidth(other.m_iWidth), m_iHeight(other.m_iHeight),
      m_spPixels(other.m_spPixels), m_pPixels(other.m_pPixels)
{
}

ORV_Surface& ORV_Surface::operator=(const ORV_Surface& other)
{
    m_iWidth = other.m_iWidth;
    m_iHeight = other.m_iHeight;
    m_spPixels = other.m_spPixels;
    m_pPixels = other.m_pPixels;
    return *this;
}

ORV_Surface::~ORV_Surface() = default;

// Sizes that are not positive or too large give an empty surface.
void ORV_Surface::Allocate(int iWidth, int iHeight)
{
    const int64_t count = int64_t(iWidth) * iHeight;
    if (iWidth <= 0 || iHeight <= 0 || count > kMaxPixels)
    {
        m_iWidth = m_iHeight = 0;
        m_spPixels.reset();
        m_pPixels = nullptr;
        return;
    }
    // Rows start on cache lines for the vector blits; new pixels are black.
    constexpr std::align_val_t kAlignment{64};
    auto* pPixels =
        static_cast<uint32_t*>(::operator new[](size_t(count) * sizeof(uint32_t), kAlignment));
    std::fill_n(pPixels, count, 0u);
    m_spPixels.reset(pPixels, [](uint32_t* p) { ::operator delete[](p, kAlignment); });
    m_pPixels = pPixels;
    m_iWidth = iWidth;
    m_iHeight = iHeight;
}

void ORV_Surface::Init(const char* pDescription)
{
    ORV_SnifferBlock block("ORV_Surface::Init");
    if (!pDescription)
        return;
    while (*pDescription == ' ')
        ++pDescription;
    if (*pDescription == '"')
    {
        std::string name(pDescription + 1);
        if (!name.empty())
            name.pop_back(); // the closing quote
        if (!name.empty() && name.back() == 'p')
            LoadBMP(name.c_str());
        return;
    }
    int iWidth = 0;
    int iHeight = 0;
    if (std::sscanf(pDescription, "%d %d", &iWidth, &iHeight) != 2)
        iWidth = iHeight = 0;
    SnifferValue("TailleX", iWidth);
    SnifferValue("TailleY", iHeight);
    Allocate(iWidth, iHeight);
}

int ORV_Surface::LoadFile(const char* pName)
{
    if (!pName)
        return 0;
    const size_t length = std::strlen(pName);
    if (length > 0 && pName[length - 1] == 'p')
        return LoadBMP(pName);
    return 0;
}

int ORV_Surface::LoadJPEG(const char*)
{
    return 0;
}

void ORV_Surface::Clear()
{
    if (m_pPixels)
        std::fill_n(m_pPixels, PixelCount(), 0u);
}

// Copies this surface's pixel count, or as many as the source holds when it holds fewer.
void ORV_Surface::Copy(ORV_Surface* pSource)
{
    if (!pSource || !pSource->m_pPixels || !m_pPixels || pSource->m_pPixels == m_pPixels)
        return;
    const int count = std::min(PixelCount(), pSource->PixelCount());
    std::memcpy(m_pPixels, pSource->m_pPixels, size_t(count) * sizeof(uint32_t));
}

void ORV_Surface::Plot(int x, int y, unsigned long pixel)
{
    if (x >= 0 && x < m_iWidth && y >= 0 && y < m_iHeight)
        m_pPixels[x + y * m_iWidth] = static_cast<uint32_t>(pixel);
}

// Works in groups of eight pixels; the last (count mod 8) pixels are left as they are.
void ORV_Surface::InverseVideo()
{
    const int count = PixelCount() & ~7;
    for (int i = 0; i < count; ++i)
        m_pPixels[i] = 0x00FFFFFFu - m_pPixels[i];
}

void ORV_Surface::Add(int iAmount)
{
    if (iAmount <= 0)
        return;
    const int64_t amount = iAmount;
    const int count = PixelCount();
    for (int i = 0; i < count; ++i)
        m_pPixels[i] = MapChannels(m_pPixels[i], [&](int c) { return ClampByte(c + amount); });
}

void ORV_Surface::Sub(int iAmount)
{
    const int64_t amount = iAmount;
    const int count = PixelCount();
    for (int i = 0; i < count; ++i)
        m_pPixels[i] = MapChannels(m_pPixels[i], [&](int c) { return ClampByte(c - amount); });
}

void ORV_Surface::Mul(int iFactor)
{
    const int64_t factor = iFactor;
    const int count = PixelCount();
    for (int i = 0; i < count; ++i)
        m_pPixels[i] =
            MapChannels(m_pPixels[i], [&](int c) { return ClampByte(c * factor / 256); });
}

// The mask is scaled to this surface's size by nearest neighbour; its blue becomes alpha.
void ORV_Surface::SetAlphaChannel(ORV_Surface* pMask)
{
    if (!pMask || !pMask->m_pPixels || !m_pPixels)
        return;
    const int64_t maskWidth = pMask->m_iWidth;
    const int64_t maskHeight = pMask->m_iHeight;
    for (int y = 0; y < m_iHeight; ++y)
    {
        const int64_t my = y * maskHeight / m_iHeight;
        const uint32_t* pMaskRow = pMask->m_pPixels + my * maskWidth;
        uint32_t* pRow = m_pPixels + int64_t(y) * m_iWidth;
        for (int x = 0; x < m_iWidth; ++x)
        {
            const uint32_t alpha = pMaskRow[x * maskWidth / m_iWidth] & 0xFF;
            pRow[x] = (pRow[x] & 0x00FFFFFFu) | (alpha << 24);
        }
    }
}

// Weights 255 - f and f (not 256 - f), so full white comes out as 253.
int ORV_Surface::GetPixelRGB_BiLinear256(int x, int y) const
{
    if (!BilinearInside(m_iWidth, m_iHeight, x, y))
        return 0;
    return static_cast<int>(Bilinear256(m_pPixels, m_iWidth, x, y));
}

void ORV_Surface::GetPixelRGB_BiLinear256alpha(PIXEL32& out, const int& x, const int& y,
                                               const bool& bWithAlpha) const
{
    if (!BilinearInside(m_iWidth, m_iHeight, x, y))
    {
        out.u32 = 0;
        return;
    }
    const uint32_t fx = x & 255;
    const uint32_t fy = y & 255;
    const uint32_t w00 = (255 - fy) * (255 - fx), w10 = (255 - fy) * fx;
    const uint32_t w01 = fy * (255 - fx), w11 = fy * fx;
    const uint32_t* p = m_pPixels + (x >> 8) + int64_t(y >> 8) * m_iWidth;
    PIXEL32 p00, p10, p01, p11;
    p00.u32 = p[0];
    p10.u32 = p[1];
    p01.u32 = p[m_iWidth];
    p11.u32 = p[m_iWidth + 1];
    const int channels = bWithAlpha ? 4 : 3;
    for (int i = 0; i < channels; ++i)
        out.c[i] = static_cast<uint8_t>(
            (w00 * p00.c[i] + w10 * p10.c[i] + w01 * p01.c[i] + w11 * p11.c[i]) >> 16);
}

#include "surface/OrvSurface.h"

#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <utility>

using namespace orv::surface;

namespace
{
struct SVertex
{
    float x, y;
    float a[3]; // u, v and, for the depth-buffered form, z
};

// Float to 64-bit int toward zero; false for NaN and values beyond the int64 range.
bool TruncWide(double value, int64_t& out)
{
    if (!(value > -9.2e18 && value < 9.2e18))
        return false;
    out = static_cast<int64_t>(value);
    return true;
}

// First and last columns of a span: a column equal to a non-negative left edge is left
// out, a column equal to the right edge is drawn.
bool SpanColumns(float left, float right, int64_t& xs, int64_t& xe)
{
    if (!TruncWide(left, xs) || !TruncWide(right, xe))
        return false;
    if (left >= 0)
        ++xs;
    if (right < 0)
        --xe;
    return xe >= xs;
}

int64_t RowStart(float y)
{
    int64_t row = 0;
    const double shifted = y + 0.5;
    if (!TruncWide(shifted, row))
        return shifted < 0 ? INT64_MIN / 2 : INT64_MAX / 2;
    return shifted < 0 ? row - 1 : row;
}

// Affine scan conversion of a triangle. For every covered pixel inside the destination
// calls pixel(index, attributes) with the attributes in 16.16 fixed point.
template <int kAttributes, typename F>
void ScanTriangle(int iWidth, int iHeight, SVertex v0, SVertex v1, SVertex v2, F pixel)
{
    if (v2.y < v1.y)
        std::swap(v1, v2);
    if (v1.y < v0.y)
        std::swap(v0, v1);
    if (v2.y < v1.y)
        std::swap(v1, v2);
    const int64_t yStart = RowStart(v0.y), yEnd = RowStart(v2.y);
    if (v0.y == v2.y || yStart > yEnd)
        return;
    const float xm = v0.x + (v1.y - v0.y) * (v2.x - v0.x) / (v2.y - v0.y);
    const bool bShortLeft = v1.x < xm;

    for (int64_t row = std::max<int64_t>(yStart, 0); row <= std::min<int64_t>(yEnd, iHeight - 1);
         ++row)
    {
        const int y = int(row);
        const float t = (float(y) - v0.y) / (v2.y - v0.y);
        const float xa = v0.x + t * (v2.x - v0.x);
        float aa[3], ab[3];
        for (int k = 0; k < kAttributes; ++k)
            aa[k] = v0.a[k] + t * (v2.a[k] - v0.a[k]);

        const bool bUpper = float(y) <= v1.y;
        const SVertex& s0 = bUpper ? v0 : v1;
        const SVertex& s1 = bUpper ? v1 : v2;
        if (s1.y == s0.y)
            continue;
        const float s = (float(y) - s0.y) / (s1.y - s0.y);
        const float xb = s0.x + s * (s1.x - s0.x);
        for (int k = 0; k < kAttributes; ++k)
            ab[k] = s0.a[k] + s * (s1.a[k] - s0.a[k]);
        if (xa == xb)
            continue;

        int64_t xs = 0, xe = 0;
        if (!SpanColumns(bShortLeft ? xb : xa, bShortLeft ? xa : xb, xs, xe))
            continue;
        int64_t value[3], step[3];
        for (int k = 0; k < kAttributes; ++k)
        {
            const float da = (ab[k] - aa[k]) / (xb - xa);
            const float a = aa[k] + da * (float(xs) - xa);
            step[k] = Trunc(da * 65536);
            value[k] = Trunc(a * 65536);
        }
        const int64_t first = std::max<int64_t>(xs, 0), last = std::min<int64_t>(xe, iWidth - 1);
        for (int k = 0; k < kAttributes; ++k)
            value[k] = int64_t(uint64_t(value[k]) + uint64_t(first - xs) * uint64_t(step[k]));
        for (int64_t x = first; x <= last; ++x)
        {
            pixel(x + row * iWidth, value);
            for (int k = 0; k < kAttributes; ++k)
                value[k] += step[k];
        }
    }
}

// Texel lookups of a texture at 16.16 coordinates.
class CTexels
{
public:
    explicit CTexels(const ORV_Surface& texture) : m_Texture(texture) {}

    bool Inside(int64_t u, int64_t v) const
    {
        const int64_t tu = u >> 16, tv = v >> 16;
        return tv >= 0 && tv < m_Texture.GetHeight() && tu >= 0 && tu < m_Texture.GetWidth();
    }
    uint32_t Nearest(int64_t u, int64_t v) const
    {
        return m_Texture.GetPixels()[(u >> 16) + (v >> 16) * m_Texture.GetWidth()];
    }
    uint32_t Fetch(int64_t u, int64_t v, bool bFilter) const
    {
        if (bFilter)
        {
            const int x = int(u >> 8), y = int(v >> 8);
            const int w = m_Texture.GetWidth();
            if (!BilinearInside(w, m_Texture.GetHeight(), x, y))
                return 0;
            return Bilinear256(m_Texture.GetPixels(), w, x, y);
        }
        return Nearest(u, v);
    }
    // Colour and alpha bytes for the blended form.
    PIXEL32 FetchWithAlpha(int64_t u, int64_t v, bool bFilter, bool bAlpha) const
    {
        PIXEL32 texel;
        if (!bFilter)
        {
            texel.u32 = Nearest(u, v);
            return texel;
        }
        texel.u32 = 0;
        m_Texture.GetPixelRGB_BiLinear256alpha(texel, int(u >> 8), int(v >> 8), bAlpha);
        return texel;
    }

private:
    const ORV_Surface& m_Texture;
};

SVertex Vertex(float x, float y, float a0, float a1, float a2 = 0)
{
    return {x, y, {a0, a1, a2}};
}

bool Usable(const ORV_Surface* pSurface)
{
    return pSurface && pSurface->GetPixels();
}
} // namespace

void ORV_Surface::Mapping(ORV_Surface* pTexture, float x0, float y0, float x1, float y1, float x2,
                          float y2, float u0, float v0, float u1, float v1, float u2, float v2,
                          int iFilter)
{
    if (!Usable(pTexture) || !m_pPixels)
        return;
    const CTexels texels(*pTexture);
    uint32_t* pDest = m_pPixels;
    ScanTriangle<2>(m_iWidth, m_iHeight, Vertex(x0, y0, u0, v0), Vertex(x1, y1, u1, v1),
                    Vertex(x2, y2, u2, v2),
                    [&](int64_t index, const int64_t* a)
                    {
                        if (texels.Inside(a[0], a[1]))
                            pDest[index] = texels.Fetch(a[0], a[1], iFilter != 0);
                    });
}

// Blended over the destination with alpha a = opacity, or texel alpha × opacity / 256;
// the written pixel's alpha is 0.
void ORV_Surface::Mapping(ORV_Surface* pTexture, float x0, float y0, float x1, float y1, float x2,
                          float y2, float u0, float v0, float u1, float v1, float u2, float v2,
                          int iFilter, bool bUseAlpha, int iOpacity)
{
    if (iOpacity < 3 || !Usable(pTexture) || !m_pPixels)
        return;
    const int opacity = std::min(iOpacity, 255);
    const CTexels texels(*pTexture);
    uint32_t* pDest = m_pPixels;
    ScanTriangle<2>(
        m_iWidth, m_iHeight, Vertex(x0, y0, u0, v0), Vertex(x1, y1, u1, v1), Vertex(x2, y2, u2, v2),
        [&](int64_t index, const int64_t* a)
        {
            if (!texels.Inside(a[0], a[1]))
                return;
            const PIXEL32 texel = texels.FetchWithAlpha(a[0], a[1], iFilter != 0, bUseAlpha);
            const int alpha = bUseAlpha ? (texel.a * opacity) >> 8 : opacity;
            if (alpha < 3)
                return;
            const uint32_t d = pDest[index];
            auto blend = [alpha](int t, int c) { return (t * alpha + c * (255 - alpha)) >> 8; };
            pDest[index] =
                MakeRGB(blend(texel.r, Red(d)), blend(texel.g, Green(d)), blend(texel.b, Blue(d)));
        });
}

// Pixels nearer than the depth buffer (and with a depth above 0) take the texel, when it
// lies inside the texture, and their depth.
void ORV_Surface::MappingZB(unsigned short* pDepth, ORV_Surface* pTexture, float x0, float y0,
                            float x1, float y1, float x2, float y2, float u0, float v0, float z0,
                            float u1, float v1, float z1, float u2, float v2, float z2, int iFilter)
{
    if (!pDepth || !Usable(pTexture) || !m_pPixels)
        return;
    const CTexels texels(*pTexture);
    uint32_t* pDest = m_pPixels;
    ScanTriangle<3>(m_iWidth, m_iHeight, Vertex(x0, y0, u0, v0, z0), Vertex(x1, y1, u1, v1, z1),
                    Vertex(x2, y2, u2, v2, z2),
                    [&](int64_t index, const int64_t* a)
                    {
                        const int64_t z = a[2] >> 16;
                        if (z <= 0 || z >= pDepth[index])
                            return;
                        if (texels.Inside(a[0], a[1]))
                            pDest[index] = texels.Fetch(a[0], a[1], iFilter != 0);
                        pDepth[index] = static_cast<unsigned short>(z);
                    });
}

// The texture less a one-texel border, rotated by angle and zoomed about (x, y), as two
// blended triangles.
void ORV_Surface::DrawSprite(ORV_Surface* pTexture, bool bUseAlpha, float x, float y, float zoom,
                             float angle, int iOpacity, bool bFilter)
{
    if (!Usable(pTexture))
        return;
    const int w = pTexture->GetWidth(), h = pTexture->GetHeight();
    const float c = float(std::cos(double(angle))), s = float(std::sin(double(angle)));
    const float halfW = w / 2.0f, halfH = h / 2.0f;
    auto screenX = [&](float tx, float ty)
    { return x + zoom * ((tx - halfW) * c - (ty - halfH) * s); };
    auto screenY = [&](float tx, float ty)
    { return y + zoom * ((tx - halfW) * s + (ty - halfH) * c); };
    const float l = 1, t = 1, r = float(w - 2), b = float(h - 2);
    const int filter = bFilter ? 1 : 0;
    Mapping(pTexture, screenX(l, t), screenY(l, t), screenX(r, t), screenY(r, t), screenX(r, b),
            screenY(r, b), l, t, r, t, r, b, filter, bUseAlpha, iOpacity);
    Mapping(pTexture, screenX(l, t), screenY(l, t), screenX(l, b), screenY(l, b), screenX(r, b),
            screenY(r, b), l, t, l, b, r, b, filter, bUseAlpha, iOpacity);
}

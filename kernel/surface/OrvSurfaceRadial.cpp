#include "surface/OrvSurface.h"

#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <cstdlib>

using namespace orv::surface;

namespace
{
// In-place radial streaks: every pixel keeps a share of itself and receives light from
// its already processed neighbour(s) one step closer to the centre.
class CRadialBlur
{
public:
    CRadialBlur(ORV_Surface& surface, int cx, int cy, float strength)
        : m_pPixels(surface.GetPixels()), m_iWidth(surface.GetWidth()),
          m_iHeight(surface.GetHeight()), m_iCx(cx), m_iCy(cy)
    {
        const float g = std::sqrt(std::sqrt(strength));
        m_fKeep = float(1 - g * 0.977) * 65536;
        m_iFeed = Trunc(g * 255);
    }

    void Run()
    {
        const int rays[8][2] = {{1, 1},  {1, -1}, {0, -1}, {-1, -1},
                                {-1, 0}, {1, 0},  {-1, 1}, {0, 1}};
        for (const auto& ray : rays)
            Ray(ray[0], ray[1]);
        const int blocks[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
        for (const auto& block : blocks)
            Octants(block[0], block[1]);
    }

private:
    static int64_t Channel(uint32_t pixel, int k)
    {
        return k == 0 ? Blue(pixel) : (k == 1 ? Green(pixel) : RedWide(pixel));
    }

    uint32_t& At(int x, int y) { return m_pPixels[x + int64_t(y) * m_iWidth]; }
    bool Inside(int x, int y) const { return x >= 0 && x < m_iWidth && y >= 0 && y < m_iHeight; }

    // floor(n * t / 256) for the light a neighbour feeds.
    int64_t Fed(uint32_t neighbour, int k) const { return Channel(neighbour, k) * m_iFeed / 256; }

    static int64_t ClearLow(int64_t value) { return value & ~int64_t(0xFFFF); }

    void Process(int x, int y, const int64_t feed[3])
    {
        uint32_t& pixel = At(x, y);
        int out[3];
        for (int k = 0; k < 3; ++k)
            out[k] =
                ClampByte((int64_t(Trunc(float(Channel(pixel, k)) * m_fKeep)) + feed[k]) >> 16);
        pixel = MakeRGB(out[2], out[1], out[0]);
    }

    void Ray(int sx, int sy)
    {
        for (int x = m_iCx + sx, y = m_iCy + sy; Inside(x, y); x += sx, y += sy)
        {
            const uint32_t neighbour = At(x - sx, y - sy);
            int64_t feed[3];
            for (int k = 0; k < 3; ++k)
                feed[k] = ClearLow(Fed(neighbour, k) * 65278);
            Process(x, y, feed);
        }
    }

    // Pixel at |dx| = adx, |dy| = ady fed by its axis and diagonal neighbours with weight m.
    void Between(int x, int y, uint32_t axis, uint32_t diagonal, int64_t m)
    {
        int64_t feed[3];
        for (int k = 0; k < 3; ++k)
            feed[k] = ClearLow(m * Fed(diagonal, k)) + ClearLow((65536 - m) * Fed(axis, k));
        Process(x, y, feed);
    }

    void Octants(int sx, int sy)
    {
        const int columns = sx > 0 ? m_iWidth - 1 - m_iCx : m_iCx;
        for (int dy = 1;; ++dy)
        {
            const int y = m_iCy + sy * dy;
            if (y < 0 || y >= m_iHeight)
                return;
            // Between the vertical ray and the diagonal: neighbours in the row before.
            for (int adx = 1; adx <= std::min(dy - 1, columns); ++adx)
            {
                const int x = m_iCx + sx * adx;
                Between(x, y, At(x, y - sy), At(x - sx, y - sy), int64_t(adx) * 65536 / dy);
            }
            // Beyond the diagonal: neighbours in the column before.
            for (int adx = dy + 1; adx <= columns; ++adx)
            {
                const int x = m_iCx + sx * adx;
                Between(x, y, At(x - sx, y), At(x - sx, y - sy), int64_t(dy) * 65536 / adx);
            }
        }
    }

    uint32_t* m_pPixels;
    int m_iWidth;
    int m_iHeight;
    int m_iCx;
    int m_iCy;
    float m_fKeep = 65536;
    int64_t m_iFeed = 0;
};
} // namespace

// Light streams outward from (cx, cy), kept two pixels inside the surface.
void ORV_Surface::RadialBlur(int cx, int cy, float strength)
{
    if (!m_pPixels || m_iWidth < 4 || m_iHeight < 4)
        return;
    cx = std::clamp(cx, 2, m_iWidth - 2);
    cy = std::clamp(cy, 2, m_iHeight - 2);
    CRadialBlur(*this, cx, cy, strength).Run();
}

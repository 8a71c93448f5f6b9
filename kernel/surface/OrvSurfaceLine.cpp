#include "surface/OrvSurface.h"

#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace orv::surface;

namespace
{
// The steps of a 16.16 DDA walk along the major axis: positions first .. last inclusive,
// the cross coordinate starting at cross0 and growing by step.
struct SDdaWalk
{
    int64_t first = 0;
    int64_t last = -1;
    int64_t cross0 = 0;
    int64_t step = 0;
    bool bMajorX = true;
};

// The walk shared by LineSub and LineAntialias: the ends are ordered along the major axis,
// the major position runs over the rounded ends, the cross coordinate is 16.16 fixed point
// with half a pixel added.
SDdaWalk MakeDdaWalk(float x0, float y0, float x1, float y1)
{
    SDdaWalk walk;
    walk.bMajorX = std::fabs(y0 - y1) < std::fabs(x0 - x1);
    if (!walk.bMajorX)
    {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1)
    {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int32_t step = Trunc((y1 - y0) * 65536 / (x1 - x0));
    walk.first = Trunc(x0 + 0.5);
    walk.last = Trunc(x1 + 0.5);
    const float back = (x0 - float(walk.first)) * float(step);
    walk.cross0 = int64_t(Trunc(y0 * 65536 - back)) + 0x8000;
    walk.step = step;
    return walk;
}

// Narrows a walk to the major positions low .. high; returns the cross value at first.
int64_t ClipWalk(SDdaWalk& walk, int64_t low, int64_t high)
{
    const int64_t first = std::max(walk.first, low);
    const int64_t cross = walk.cross0 + (first - walk.first) * walk.step;
    walk.first = first;
    walk.last = std::min(walk.last, high);
    return cross;
}
} // namespace

// Bresenham: the start point is drawn, the end point is not. Only the steps whose major
// coordinate lies on the surface are walked; the minor offset of step i is
// (2 * minor * i + major) / (2 * major), exactly where the error term puts it.
void ORV_Surface::Line(int x0, int y0, int x1, int y1, unsigned long pixel)
{
    const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
    const bool bMajorX = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = bMajorX ? std::llabs(dx) : std::llabs(dy);
    const int64_t minor = bMajorX ? std::llabs(dy) : std::llabs(dx);
    if (major == 0 || !m_pPixels)
        return;
    const int64_t majorStart = bMajorX ? x0 : y0, minorStart = bMajorX ? y0 : x0;
    const int64_t majorSign = (bMajorX ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorSign = (bMajorX ? dy : dx) < 0 ? -1 : 1;
    const int64_t majorSize = bMajorX ? m_iWidth : m_iHeight;
    const int64_t minorSize = bMajorX ? m_iHeight : m_iWidth;

    // Steps i in 0 .. major - 1 whose major coordinate is inside 0 .. majorSize - 1.
    int64_t iLow = majorSign > 0 ? -majorStart : majorStart - (majorSize - 1);
    int64_t iHigh = majorSign > 0 ? majorSize - 1 - majorStart : majorStart;
    iLow = std::max<int64_t>(iLow, 0);
    iHigh = std::min<int64_t>(iHigh, major - 1);
    for (int64_t i = iLow; i <= iHigh; ++i)
    {
        const int64_t a = majorStart + majorSign * i;
        const __int128 offset = (__int128(2 * minor) * i + major) / (2 * major);
        const int64_t b = minorStart + minorSign * int64_t(offset);
        if (b < 0 || b >= minorSize)
            continue;
        const int64_t x = bMajorX ? a : b, y = bMajorX ? b : a;
        m_pPixels[x + y * m_iWidth] = static_cast<uint32_t>(pixel);
    }
}

void ORV_Surface::LineSub(float x0, float y0, float x1, float y1, unsigned long pixel)
{
    if (!m_pPixels)
        return;
    SDdaWalk walk = MakeDdaWalk(x0, y0, x1, y1);
    const int64_t majorSize = walk.bMajorX ? m_iWidth : m_iHeight;
    const int64_t crossSize = walk.bMajorX ? m_iHeight : m_iWidth;
    int64_t cross = ClipWalk(walk, 0, majorSize - 1);
    for (int64_t a = walk.first; a <= walk.last; ++a, cross += walk.step)
    {
        const int64_t b = cross >> 16;
        if (b < 0 || b >= crossSize)
            continue;
        const int64_t x = walk.bMajorX ? a : b, y = walk.bMajorX ? b : a;
        m_pPixels[x + y * m_iWidth] = static_cast<uint32_t>(pixel);
    }
}

// Five pixels across the line get grey light that falls off with the distance to the
// line's centre; steps whose five pixels are not all on the surface are not drawn.
void ORV_Surface::LineAntialias(float x0, float y0, float x1, float y1, int iIntensity)
{
    if (iIntensity < 1 || !m_pPixels)
        return;
    const int64_t intensity = std::min(iIntensity, 255);
    SDdaWalk walk = MakeDdaWalk(x0, y0, x1, y1);
    const int64_t majorSize = walk.bMajorX ? m_iWidth : m_iHeight;
    const int64_t crossSize = walk.bMajorX ? m_iHeight : m_iWidth;
    int64_t cross = ClipWalk(walk, 0, majorSize - 1);
    for (int64_t a = walk.first; a <= walk.last; ++a, cross += walk.step)
    {
        const int64_t p = cross >> 16;
        const int64_t f = (cross >> 8) & 255;
        if (p < 2 || p > crossSize - 3)
            continue;
        for (int k = -2; k <= 2; ++k)
        {
            const int64_t d = f - 256 * k;
            const int64_t weight = (255 - std::llabs(d) / 2) * intensity / 256;
            if (weight <= 0)
                continue;
            const int64_t x = walk.bMajorX ? a : p + k, y = walk.bMajorX ? p + k : a;
            uint32_t& target = m_pPixels[x + y * m_iWidth];
            const int grey = ClampByte(Blue(target) + weight);
            target = MakeRGB(grey, grey, grey);
        }
    }
}

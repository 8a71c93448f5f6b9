#include "surface/OrvSurface.h"

#include "surface/OrvBlitKernels.h"
#include "surface/OrvSurfaceUtil.h"

#include <algorithm>

using namespace orv::surface;

namespace
{
struct SBlitMode
{
    EBlitOp op;
    ESkip skip;
    int f = 256;
};

// Mix factors outside 0 .. 256 would spill one channel into the next.
int MixFactor(int f)
{
    return int(Clamp64(f, 0, 256));
}

// Float to 64-bit int, toward zero; NaN and overflow give the most negative value.
int64_t TruncWide(double value)
{
    if (!(value > -9.2e18 && value < 9.2e18))
        return INT64_MIN;
    return static_cast<int64_t>(value);
}

bool Valid(const ORV_Surface* pSurface)
{
    return pSurface && pSurface->GetPixels();
}

// The source's pixels at columns x .. and rows y .., clipped to the destination.
void BlitTopLeft(ORV_Surface& dest, const ORV_Surface* pBob, int64_t x, int64_t y, SBlitMode mode)
{
    if (!Valid(&dest) || !Valid(pBob))
        return;
    const int64_t w = pBob->GetWidth(), h = pBob->GetHeight();
    const int64_t W = dest.GetWidth(), H = dest.GetHeight();
    const int64_t col0 = std::max<int64_t>(0, -x), col1 = std::min<int64_t>(w, W - x);
    const int64_t row0 = std::max<int64_t>(0, -y), row1 = std::min<int64_t>(h, H - y);
    if (col0 >= col1)
        return;
    const uint32_t* pSource = pBob->GetPixels();
    uint32_t* pDest = dest.GetPixels();
    for (int64_t row = row0; row < row1; ++row)
        BlitRow(mode.op, mode.skip, mode.f, pSource + row * w + col0,
                pDest + (y + row) * W + x + col0, int(col1 - col0));
}

// Nothing is drawn when both ends of a side lie beyond the same edge.
bool Culled(int64_t left, int64_t right, int64_t top, int64_t bottom, const ORV_Surface& dest)
{
    const int64_t W = dest.GetWidth(), H = dest.GetHeight();
    return (left < 0 && right < 0) || (left > W && right > W) || (top < 0 && bottom < 0) ||
           (top > H && bottom > H);
}

void BlitCentre(ORV_Surface& dest, const ORV_Surface* pBob, int x, int y, SBlitMode mode)
{
    if (!Valid(pBob))
        return;
    const int w = pBob->GetWidth(), h = pBob->GetHeight();
    const int64_t left = TruncWide(x - w * 0.5), right = TruncWide(x + w * 0.5);
    const int64_t top = TruncWide(y - h * 0.5), bottom = TruncWide(y + h * 0.5);
    if (!Culled(left, right, top, bottom, dest))
        BlitTopLeft(dest, pBob, left, top, mode);
}

// 16.16 position of step i (counted from 1) from start; kept within the source.
int64_t StepPosition(int64_t start, __int128 step, int64_t i, int64_t size)
{
    const __int128 position = (__int128(start) << 16) + step * i;
    const __int128 whole = position >> 16;
    return whole < 0 ? 0 : (whole >= size ? size - 1 : int64_t(whole));
}

// The source rectangle stretched onto destination columns dx0 .. dx1 - 1 and rows
// dy0 .. dy1 - 1; the first pixel read is one step past the rectangle's corner. Reads that
// would fall outside the source take its nearest edge pixel.
void BlitRect(ORV_Surface& dest, const ORV_Surface* pBob, int64_t sx0, int64_t sy0, int64_t sx1,
              int64_t sy1, int64_t dx0, int64_t dy0, int64_t dx1, int64_t dy1, SBlitMode mode)
{
    if (!Valid(&dest) || !Valid(pBob))
        return;
    const int64_t w = pBob->GetWidth(), h = pBob->GetHeight();
    const int64_t W = dest.GetWidth(), H = dest.GetHeight();
    const __int128 stepX = dx1 == dx0 ? 1 : (__int128(sx1 - sx0) << 16) / (dx1 - dx0);
    const __int128 stepY = dy1 == dy0 ? 1 : (__int128(sy1 - sy0) << 16) / (dy1 - dy0);
    const int64_t col0 = std::max<int64_t>(dx0, 0), col1 = std::min<int64_t>(dx1, W);
    const int64_t row0 = std::max<int64_t>(dy0, 0), row1 = std::min<int64_t>(dy1, H);
    const uint32_t* pSource = pBob->GetPixels();
    uint32_t* pDest = dest.GetPixels();
    for (int64_t row = row0; row < row1; ++row)
    {
        const int64_t sy = StepPosition(sy0, stepY, row - dy0 + 1, h);
        const uint32_t* pSourceRow = pSource + sy * w;
        uint32_t* pDestRow = pDest + row * W;
        for (int64_t col = col0; col < col1; ++col)
        {
            const uint32_t s = pSourceRow[StepPosition(sx0, stepX, col - dx0 + 1, w)];
            if (!SkipPixel(mode.skip, s))
                pDestRow[col] = ApplyPixel(mode.op, s, pDestRow[col], mode.f);
        }
    }
}

void BlitScaledCentre(ORV_Surface& dest, const ORV_Surface* pBob, int x, int y, float scale,
                      SBlitMode mode)
{
    if (!Valid(pBob))
        return;
    const int w = pBob->GetWidth(), h = pBob->GetHeight();
    const int64_t left = TruncWide(x - w * scale * 0.5);
    const int64_t right = TruncWide(x + w * scale * 0.5);
    const int64_t top = TruncWide(y - h * scale * 0.5);
    const int64_t bottom = TruncWide(y + h * scale * 0.5);
    if (!Culled(left, right, top, bottom, dest))
        BlitRect(dest, pBob, 0, 0, w - 1, h - 1, left, top, right, bottom, mode);
}

constexpr SBlitMode kCopyDark{EBlitOp::Copy, ESkip::Dark};
constexpr SBlitMode kAddZero{EBlitOp::Add, ESkip::Zero};
constexpr SBlitMode kAddNotPositive{EBlitOp::Add, ESkip::NotPositive};
constexpr SBlitMode kAlpha{EBlitOp::Alpha, ESkip::None};
SBlitMode Scale(int f)
{
    return {EBlitOp::Scale, ESkip::Zero, MixFactor(f)};
}
SBlitMode AddScaled(int f)
{
    return {EBlitOp::AddScaled, ESkip::Zero, MixFactor(f)};
}
SBlitMode SubScaled(int f)
{
    return {EBlitOp::SubScaled, ESkip::NotPositive, MixFactor(f)};
}
SBlitMode Lighten(int f)
{
    return {EBlitOp::Lighten, ESkip::NotPositive, MixFactor(f)};
}
} // namespace

void ORV_Surface::PutBob(ORV_Surface* pBob, int x, int y)
{
    BlitTopLeft(*this, pBob, x, y, kCopyDark);
}
void ORV_Surface::PutBobAdd(ORV_Surface* pBob, int x, int y)
{
    BlitTopLeft(*this, pBob, x, y, kAddZero);
}
void ORV_Surface::PutBobMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitTopLeft(*this, pBob, x, y, Scale(f));
}
void ORV_Surface::PutBobAddMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitTopLeft(*this, pBob, x, y, AddScaled(f));
}
void ORV_Surface::PutBobIncMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitTopLeft(*this, pBob, x, y, Lighten(f));
}
void ORV_Surface::PutBobAlpha(ORV_Surface* pBob, int x, int y)
{
    BlitTopLeft(*this, pBob, x, y, kAlpha);
}

void ORV_Surface::PutBobByCenter(ORV_Surface* pBob, int x, int y)
{
    BlitCentre(*this, pBob, x, y, kCopyDark);
}
void ORV_Surface::PutBobAddByCenter(ORV_Surface* pBob, int x, int y)
{
    BlitCentre(*this, pBob, x, y, kAddZero);
}
void ORV_Surface::PutBobByCenterMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitCentre(*this, pBob, x, y, Scale(f));
}
void ORV_Surface::PutBobAddByCenterMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitCentre(*this, pBob, x, y, AddScaled(int(Clamp64(f, 0, 255))));
}
void ORV_Surface::PutBobIncByCenterMix(ORV_Surface* pBob, int x, int y, int f)
{
    BlitCentre(*this, pBob, x, y, Lighten(f));
}
void ORV_Surface::PutBobByCenterAlpha(ORV_Surface* pBob, int x, int y)
{
    BlitCentre(*this, pBob, x, y, kAlpha);
}

void ORV_Surface::PutBobZoom(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                             int dy0, int dx1, int dy1)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, kCopyDark);
}
void ORV_Surface::PutBobAddZoom(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                                int dy0, int dx1, int dy1)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, kAddNotPositive);
}
void ORV_Surface::PutBobZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                                int dy0, int dx1, int dy1, unsigned char f)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, Scale(f));
}
void ORV_Surface::PutBobAddZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                                   int dy0, int dx1, int dy1, unsigned char f)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, AddScaled(f));
}
void ORV_Surface::PutBobSubZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                                   int dy0, int dx1, int dy1, unsigned char f)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, SubScaled(f));
}
void ORV_Surface::PutBobIncZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0,
                                   int dy0, int dx1, int dy1, unsigned char f)
{
    BlitRect(*this, pBob, sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, Lighten(f));
}

void ORV_Surface::PutBobZoomByCenter(ORV_Surface* pBob, int x, int y, float scale)
{
    BlitScaledCentre(*this, pBob, x, y, scale, kCopyDark);
}
void ORV_Surface::PutBobAddZoomByCenter(ORV_Surface* pBob, int x, int y, float scale)
{
    BlitScaledCentre(*this, pBob, x, y, scale, kAddNotPositive);
}
void ORV_Surface::PutBobZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f)
{
    BlitScaledCentre(*this, pBob, x, y, scale, Scale(f));
}
void ORV_Surface::PutBobAddZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f)
{
    BlitScaledCentre(*this, pBob, x, y, scale, AddScaled(f));
}
void ORV_Surface::PutBobSubZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f)
{
    BlitScaledCentre(*this, pBob, x, y, scale, SubScaled(f));
}
void ORV_Surface::PutBobIncZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f)
{
    BlitScaledCentre(*this, pBob, x, y, scale, Lighten(f));
}

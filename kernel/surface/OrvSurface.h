#pragma once

#include "OrvExport.h"
#include "core/OrvObject.h"

#include <cstdint>
#include <memory>

// One 32-bit pixel 0xAARRGGBB, and its bytes in memory order.
union PIXEL32
{
    uint32_t u32;
    uint8_t c[4];
    struct
    {
        uint8_t b, g, r, a;
    };
};

// A 32-bit software frame buffer with CPU drawing routines: BMP loading, plots, lines,
// blits, image effects and textured triangles. Pixel (x, y) is at index x + y * width,
// top row first, no padding; nearly every routine writes alpha 0.
//
// Copies share their pixels: the copy constructor and assignment make both surfaces draw
// into the same memory, which stays alive as long as one of them holds it.
//
// Every routine clips to the pixel arrays it touches. The routines designed for the
// 512 x 256 layout (LineSub, LineAntialias, Max, Min, PutBobBlur, RadialBlur) give exactly
// that layout's results on a 512 x 256 surface and work with the real size of any other.
class ORV_API ORV_Surface : public COrvObject
{
public:
    ORV_Surface();
    ORV_Surface(int iWidth, int iHeight);
    ORV_Surface(const ORV_Surface& other);
    ORV_Surface& operator=(const ORV_Surface& other);
    ~ORV_Surface() override;

    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    uint32_t* GetPixels() { return m_pPixels; }
    const uint32_t* GetPixels() const { return m_pPixels; }

    // Loading. Init takes "width height" or a quoted file name.
    void Init(const char* pDescription);
    int LoadFile(const char* pName);
    // 0 success; 1 not found, 2 not a BMP, 3 not 24 bits, 4 width not a multiple of 4,
    // 5 compressed, 6 corrupt or truncated. A failed load leaves the surface unchanged.
    int LoadBMP(const char* pName);
    int LoadJPEG(const char* pName);

    // Whole-surface operations.
    void Clear();
    void Copy(ORV_Surface* pSource);
    void Plot(int x, int y, unsigned long pixel);
    void InverseVideo();
    void Add(int iAmount);
    void Sub(int iAmount);
    void Mul(int iFactor);
    void SetAlphaChannel(ORV_Surface* pMask);

    // Lines.
    void Line(int x0, int y0, int x1, int y1, unsigned long pixel);
    void LineSub(float x0, float y0, float x1, float y1, unsigned long pixel);
    void LineAntialias(float x0, float y0, float x1, float y1, int iIntensity);

    // Bilinear fetches at 1/256-pixel coordinates.
    int GetPixelRGB_BiLinear256(int x, int y) const;
    void GetPixelRGB_BiLinear256alpha(PIXEL32& out, const int& x, const int& y,
                                      const bool& bWithAlpha) const;

    // Blits, placed by the top-left corner.
    void PutBob(ORV_Surface* pBob, int x, int y);
    void PutBobAdd(ORV_Surface* pBob, int x, int y);
    void PutBobMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobAddMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobIncMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobAlpha(ORV_Surface* pBob, int x, int y);

    // Blits, placed by the centre.
    void PutBobByCenter(ORV_Surface* pBob, int x, int y);
    void PutBobAddByCenter(ORV_Surface* pBob, int x, int y);
    void PutBobByCenterMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobAddByCenterMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobIncByCenterMix(ORV_Surface* pBob, int x, int y, int f);
    void PutBobByCenterAlpha(ORV_Surface* pBob, int x, int y);

    // Blits stretched from a source rectangle to a destination rectangle.
    void PutBobZoom(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                    int dx1, int dy1);
    void PutBobAddZoom(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                       int dx1, int dy1);
    void PutBobZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                       int dx1, int dy1, unsigned char f);
    void PutBobAddZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                          int dx1, int dy1, unsigned char f);
    void PutBobSubZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                          int dx1, int dy1, unsigned char f);
    void PutBobIncZoomMix(ORV_Surface* pBob, int sx0, int sy0, int sx1, int sy1, int dx0, int dy0,
                          int dx1, int dy1, unsigned char f);

    // Blits scaled about a centre.
    void PutBobZoomByCenter(ORV_Surface* pBob, int x, int y, float scale);
    void PutBobAddZoomByCenter(ORV_Surface* pBob, int x, int y, float scale);
    void PutBobZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f);
    void PutBobAddZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f);
    void PutBobSubZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f);
    void PutBobIncZoomByCenterMix(ORV_Surface* pBob, int x, int y, float scale, int f);

    // Image effects.
    void Fade(ORV_Surface* pA, ORV_Surface* pB, float x);
    void Dispersion(ORV_Surface* pSource, ORV_Surface* pMap, float amount);
    void Dispersion2(ORV_Surface* pSource, ORV_Surface* pMap, float unused);
    void Parasitize(float x);
    void Max(ORV_Surface* pSource, int rx, int ry);
    void Min(ORV_Surface* pSource, int rx, int ry);
    void PutBobBlur(ORV_Surface* pSource, int unusedX, int unusedY, float angle, float amount);
    void RadialBlur(int cx, int cy, float strength);

    // Textured triangles; texture coordinates are in texels. A non-zero filter fetches
    // bilinearly.
    void Mapping(ORV_Surface* pTexture, float x0, float y0, float x1, float y1, float x2, float y2,
                 float u0, float v0, float u1, float v1, float u2, float v2, int iFilter);
    void Mapping(ORV_Surface* pTexture, float x0, float y0, float x1, float y1, float x2, float y2,
                 float u0, float v0, float u1, float v1, float u2, float v2, int iFilter,
                 bool bUseAlpha, int iOpacity);
    void MappingZB(unsigned short* pDepth, ORV_Surface* pTexture, float x0, float y0, float x1,
                   float y1, float x2, float y2, float u0, float v0, float z0, float u1, float v1,
                   float z1, float u2, float v2, float z2, int iFilter);
    void DrawSprite(ORV_Surface* pTexture, bool bUseAlpha, float x, float y, float zoom,
                    float angle, int iOpacity, bool bFilter);

private:
    void Allocate(int iWidth, int iHeight);
    void BMP_24to32(const uint8_t* pSource, int iCount);
    int PixelCount() const { return m_iWidth * m_iHeight; }

    int m_iWidth = 0;
    int m_iHeight = 0;
    std::shared_ptr<uint32_t[]> m_spPixels; // shared between copies
    uint32_t* m_pPixels = nullptr;
};

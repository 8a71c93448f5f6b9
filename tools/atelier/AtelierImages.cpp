#include "AtelierImages.h"
#include "OrvPi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_FILE_WRITE_WARNINGS
#include <stb/stb_image_write.h>

namespace
{

struct SImage
{
    int iWidth;
    int iHeight;
    std::vector<uint8_t> rgba;

    SImage(int iW, int iH) : iWidth(iW), iHeight(iH), rgba(static_cast<size_t>(iW) * iH * 4) {}

    void Set(int x, int y, double r, double g, double b, double a = 1.0)
    {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * iWidth + x) * 4];
        p[0] = static_cast<uint8_t>(std::clamp(r, 0.0, 1.0) * 255.0 + 0.5);
        p[1] = static_cast<uint8_t>(std::clamp(g, 0.0, 1.0) * 255.0 + 0.5);
        p[2] = static_cast<uint8_t>(std::clamp(b, 0.0, 1.0) * 255.0 + 0.5);
        p[3] = static_cast<uint8_t>(std::clamp(a, 0.0, 1.0) * 255.0 + 0.5);
    }
};

// Smooth value noise on a lattice, summed over octaves.
double Hash(int x, int y)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xffff) / 65535.0;
}

double Noise(double x, double y)
{
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    double fx = x - ix;
    double fy = y - iy;
    double sx = fx * fx * (3 - 2 * fx);
    double sy = fy * fy * (3 - 2 * fy);
    double a = Hash(ix, iy) + (Hash(ix + 1, iy) - Hash(ix, iy)) * sx;
    double b = Hash(ix, iy + 1) + (Hash(ix + 1, iy + 1) - Hash(ix, iy + 1)) * sx;
    return a + (b - a) * sy;
}

double Fbm(double x, double y)
{
    double dSum = 0.0;
    double dAmp = 0.5;
    for (int i = 0; i < 5; ++i)
    {
        dSum += dAmp * Noise(x, y);
        x *= 2.03;
        y *= 2.03;
        dAmp *= 0.5;
    }
    return dSum;
}

SImage MakeSky()
{
    SImage image(512, 288);
    for (int y = 0; y < image.iHeight; ++y)
    {
        for (int x = 0; x < image.iWidth; ++x)
        {
            double u = x / 64.0;
            double v = y / 64.0;
            double n = Fbm(u + 1.7 * Fbm(u * 0.5, v * 0.5), v);
            double h = static_cast<double>(y) / image.iHeight;
            double r = 0.05 + 0.55 * n * n * (1.0 - h);
            double g = 0.02 + 0.18 * n * h;
            double b = 0.12 + 0.55 * n * (0.4 + h);
            double star = Hash(x, y * 7 + 3) > 0.997 ? 0.8 : 0.0;
            image.Set(x, y, r + star, g + star, b + star);
        }
    }
    return image;
}

SImage MakeGrid()
{
    SImage image(256, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            double dx = std::abs(std::fmod(x + 0.5, 32.0) - 16.0) / 16.0;
            double dy = std::abs(std::fmod(y + 0.5, 32.0) - 16.0) / 16.0;
            double line = std::pow(std::max(dx, dy), 24.0);
            double glow = std::pow(std::max(dx, dy), 4.0) * 0.35;
            image.Set(x, y, 0.9 * line + glow, 0.2 * line + 0.4 * glow, 1.0 * line + glow,
                      std::min(1.0, line + glow + 0.15));
        }
    }
    return image;
}

SImage MakePlasma()
{
    SImage image(256, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            // Whole periods across the picture, so it tiles on a mesh.
            double u = x * 2 * orv::dPi / 256;
            double v = y * 2 * orv::dPi / 256;
            double p = std::sin(2 * u) + std::sin(3 * v + std::sin(u)) + std::sin(u + v * 2);
            image.Set(x, y, 0.5 + 0.5 * std::sin(p * 1.3), 0.5 + 0.5 * std::sin(p * 1.3 + 2.1),
                      0.5 + 0.5 * std::sin(p * 1.3 + 4.2));
        }
    }
    return image;
}

SImage MakeRing()
{
    SImage image(256, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            double dx = (x + 0.5 - 128) / 128;
            double dy = (y + 0.5 - 128) / 128;
            double r = std::sqrt(dx * dx + dy * dy);
            double a = std::atan2(dy, dx);
            double ring = std::exp(-std::pow((r - 0.72) / 0.05, 2.0));
            double halo = std::exp(-std::pow((r - 0.72) / 0.22, 2.0)) * 0.5;
            double ticks = std::pow(std::abs(std::cos(a * 12)), 40.0) *
                           std::exp(-std::pow((r - 0.55) / 0.04, 2.0));
            double alpha = std::min(1.0, ring + halo + ticks);
            image.Set(x, y, 1.0, 0.55 + 0.45 * ring, 0.3 + 0.7 * ticks, alpha);
        }
    }
    return image;
}

SImage MakeSpark()
{
    SImage image(64, 64);
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            double dx = (x + 0.5 - 32) / 32;
            double dy = (y + 0.5 - 32) / 32;
            double r2 = dx * dx + dy * dy;
            double core = std::exp(-r2 * 30.0);
            double glow = std::exp(-r2 * 6.0) * 0.6;
            double cross = std::exp(-std::abs(dx * dy) * 300.0) * std::exp(-r2 * 3.0) * 0.5;
            image.Set(x, y, 1.0, 0.9, 0.7 + 0.3 * core, std::min(1.0, core + glow + cross));
        }
    }
    return image;
}

// The particles' sprite: a soft round spot, brightest in the middle and fading to black at
// the edge, a little blue. The particles layer adds the square of its colour, so the peak is
// kept low enough for thousands of overlapping sprites to build up slowly.
SImage MakeParticle()
{
    SImage image(64, 64);
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            double dx = (x + 0.5 - 32) / 32;
            double dy = (y + 0.5 - 32) / 32;
            double r2 = dx * dx + dy * dy;
            double fade = r2 < 1.0 ? std::exp(-r2 * 4.0) * (1.0 - r2) : 0.0;
            image.Set(x, y, 0.12 * fade, 0.18 * fade, 0.3 * fade, fade);
        }
    }
    return image;
}

// A small planet for the sphere: seas and continents from noise, ice at the poles, in the
// texture coordinates the sphere layer gives (v from the height, u from the side).
SImage MakeGlobe()
{
    SImage image(256, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            double u = x / 256.0;
            double v = y / 256.0;
            double land = Fbm(u * 6.0 + 11.3, v * 6.0 + 4.1) + 0.25 * Fbm(u * 17.0, v * 17.0);
            double polar = std::abs(v - 0.5) * 2.0;
            double r, g, b;
            if (polar > 0.86)
            {
                r = g = b = 0.92;
            }
            else if (land > 0.62)
            {
                double h = std::min(1.0, (land - 0.62) * 4.0);
                r = 0.25 + 0.45 * h;
                g = 0.5 - 0.1 * h;
                b = 0.18 + 0.12 * h;
            }
            else
            {
                double depth = std::min(1.0, (0.62 - land) * 3.0);
                r = 0.05;
                g = 0.25 + 0.2 * (1.0 - depth);
                b = 0.45 + 0.35 * (1.0 - depth);
            }
            // Faint lines every 32 pixels, so the turning shows.
            bool line = x % 32 == 0 || y % 32 == 0;
            double k = line ? 1.25 : 1.0;
            image.Set(x, y, r * k, g * k, b * k);
        }
    }
    return image;
}

// A 5 x 7 block font, just the letters the titles need.
const std::map<char, std::vector<const char*>>& GetFont()
{
    static const std::map<char, std::vector<const char*>> s_font = {
        {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
        {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
        {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
        {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
        {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
        {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
        {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
        {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
        {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
        {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    };
    return s_font;
}

// Sets a text in cells of iCell pixels, with a soft glow around the letters.
SImage MakeTitle(const std::string& sText, int iWidth, int iHeight, double r, double g, double b)
{
    const int iCols = static_cast<int>(sText.size()) * 6 - 1;
    const int iCell = std::min((iWidth - 16) / iCols, (iHeight - 16) / 7);
    const int iLeft = (iWidth - iCols * iCell) / 2;
    const int iTop = (iHeight - 7 * iCell) / 2;
    std::vector<double> ink(static_cast<size_t>(iWidth) * iHeight, 0.0);
    for (size_t c = 0; c < sText.size(); ++c)
    {
        const std::vector<const char*>& glyph = GetFont().at(sText[c]);
        for (int gy = 0; gy < 7; ++gy)
        {
            for (int gx = 0; gx < 5; ++gx)
            {
                if (glyph[gy][gx] != '#')
                {
                    continue;
                }
                int x0 = iLeft + (static_cast<int>(c) * 6 + gx) * iCell;
                int y0 = iTop + gy * iCell;
                for (int y = y0 + 1; y < y0 + iCell - 1; ++y)
                {
                    for (int x = x0 + 1; x < x0 + iCell - 1; ++x)
                    {
                        ink[static_cast<size_t>(y) * iWidth + x] = 1.0;
                    }
                }
            }
        }
    }
    SImage image(iWidth, iHeight);
    const int iRadius = 6;
    for (int y = 0; y < iHeight; ++y)
    {
        for (int x = 0; x < iWidth; ++x)
        {
            double glow = 0.0;
            for (int dy = -iRadius; dy <= iRadius; dy += 2)
            {
                for (int dx = -iRadius; dx <= iRadius; dx += 2)
                {
                    int sx = x + dx;
                    int sy = y + dy;
                    if (sx >= 0 && sy >= 0 && sx < iWidth && sy < iHeight)
                    {
                        glow += ink[static_cast<size_t>(sy) * iWidth + sx] *
                                std::exp(-(dx * dx + dy * dy) / 18.0);
                    }
                }
            }
            glow = std::min(1.0, glow * 0.18);
            double core = ink[static_cast<size_t>(y) * iWidth + x];
            double shade = 0.75 + 0.25 * (1.0 - static_cast<double>(y) / iHeight);
            image.Set(x, y, core * shade + (1 - core) * r, core * shade + (1 - core) * g,
                      core * shade + (1 - core) * b, std::max(core, glow * 0.8));
        }
    }
    return image;
}

bool Save(const std::string& sFolder, const std::string& sName, const SImage& image,
          std::string& sError)
{
    std::string sPath = sFolder + "/" + sName;
    if (stbi_write_png(sPath.c_str(), image.iWidth, image.iHeight, 4, image.rgba.data(),
                       image.iWidth * 4) == 0)
    {
        sError = "cannot write " + sPath;
        return false;
    }
    return true;
}

} // namespace

bool WriteAtelierImages(const std::string& sFolder, std::string& sError)
{
    return Save(sFolder, "sky.png", MakeSky(), sError) &&
           Save(sFolder, "grid.png", MakeGrid(), sError) &&
           Save(sFolder, "plasma.png", MakePlasma(), sError) &&
           Save(sFolder, "ring.png", MakeRing(), sError) &&
           Save(sFolder, "spark.png", MakeSpark(), sError) &&
           Save(sFolder, "particle.png", MakeParticle(), sError) &&
           Save(sFolder, "globe.png", MakeGlobe(), sError) &&
           Save(sFolder, "orv.png", MakeTitle("ORV", 512, 256, 1.0, 0.3, 0.8), sError) &&
           Save(sFolder, "atelier.png", MakeTitle("ATELIER", 512, 128, 0.2, 0.8, 1.0), sError) &&
           Save(sFolder, "madewith.png", MakeTitle("MADE WITH ORV", 512, 96, 1.0, 0.8, 0.3),
                sError);
}

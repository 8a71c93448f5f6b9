#include "AtelierSceneImages.h"
#include "OrvPi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <stb/stb_image_write.h>

namespace
{

struct SPicture
{
    int iWidth;
    int iHeight;
    std::vector<uint8_t> rgba;

    SPicture(int iW, int iH) : iWidth(iW), iHeight(iH), rgba(static_cast<size_t>(iW) * iH * 4) {}

    void Set(int x, int y, double r, double g, double b, double a = 1.0)
    {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * iWidth + x) * 4];
        p[0] = static_cast<uint8_t>(std::clamp(r, 0.0, 1.0) * 255.0 + 0.5);
        p[1] = static_cast<uint8_t>(std::clamp(g, 0.0, 1.0) * 255.0 + 0.5);
        p[2] = static_cast<uint8_t>(std::clamp(b, 0.0, 1.0) * 255.0 + 0.5);
        p[3] = static_cast<uint8_t>(std::clamp(a, 0.0, 1.0) * 255.0 + 0.5);
    }
};

double Grain(int x, int y)
{
    uint32_t h = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u;
    h = (h ^ (h >> 15)) * 2246822519u;
    return ((h ^ (h >> 13)) & 0xffff) / 65535.0;
}

double Smooth(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// The room of the balls layer, in the layer's 512 x 512 layout: the floor fills 130 to 384 on
// both axes, the inner faces of the walls the next 32 pixels around it, their top ledges the
// 32 after that, the outer faces the rest. A floor of dark slate tiles with light joints, warm
// plaster walls darkening towards the floor, pale stone ledges.
SPicture MakeBallRoom()
{
    SPicture picture(512, 512);
    for (int y = 0; y < 512; ++y)
    {
        for (int x = 0; x < 512; ++x)
        {
            const double dx = std::max({130.0 - x, x - 383.0, 0.0});
            const double dy = std::max({130.0 - y, y - 383.0, 0.0});
            const double ring = std::max(dx, dy);
            const double grain = Grain(x / 2, y / 2) * 0.05;
            if (ring == 0.0)
            {
                const int tx = (x - 130) % 32, ty = (y - 130) % 32;
                const bool joint = tx < 2 || ty < 2;
                const double tile = 0.18 + 0.08 * Grain((x - 130) / 32, (y - 130) / 32 + 99);
                const double shade = joint ? 0.75 : tile + grain;
                picture.Set(x, y, shade * 0.9, shade, shade * 1.15);
            }
            else if (ring <= 32.0)
            {
                // Plaster: light at the top edge of the wall (ring 32), dark where it meets
                // the floor.
                const double h = 0.45 + 0.5 * (ring / 32.0);
                picture.Set(x, y, h * 0.95 + grain, h * 0.7 + grain, h * 0.5 + grain);
            }
            else if (ring <= 64.0)
            {
                const double bevel = 0.85 - 0.25 * Smooth(40.0, 64.0, ring);
                picture.Set(x, y, bevel + grain, bevel * 0.95 + grain, bevel * 0.85 + grain);
            }
            else
                picture.Set(x, y, 0.3 + grain, 0.22 + grain, 0.17 + grain);
        }
    }
    return picture;
}

// A ball: six coloured segments around its middle with a white cap, so that its rolling
// shows. The layer maps u and v from the sphere's normal (asin / pi + 0.5).
SPicture MakeBall()
{
    SPicture picture(256, 256);
    const double colours[3][3] = {{0.95, 0.2, 0.15}, {1.0, 0.8, 0.1}, {0.15, 0.45, 0.95}};
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            const double u = (x + 0.5) / 128.0 - 1.0, v = (y + 0.5) / 128.0 - 1.0;
            const double r = std::sqrt(u * u + v * v);
            const double angle = std::atan2(v, u) + orv::dPi;
            const int segment = static_cast<int>(angle / (orv::dPi / 3.0)) % 6;
            const double* c = colours[segment % 3];
            const double cap = Smooth(0.28, 0.24, r);
            picture.Set(x, y, c[0] + (1.0 - c[0]) * cap, c[1] + (1.0 - c[1]) * cap,
                        c[2] + (1.0 - c[2]) * cap);
        }
    }
    return picture;
}

// A ball's shadow: black, dense in the middle and fading out to the edge of the square.
SPicture MakeBallShadow()
{
    SPicture picture(64, 64);
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            const double u = (x + 0.5) / 32.0 - 1.0, v = (y + 0.5) / 32.0 - 1.0;
            const double r = std::sqrt(u * u + v * v);
            picture.Set(x, y, 0.0, 0.0, 0.0, 0.75 * Smooth(1.0, 0.35, r));
        }
    }
    return picture;
}

// The beams of the grid layer: u runs along a beam, each quarter of v is one look of a face.
// 0-0.25 dark brushed steel with bright bevels, 0.25-0.5 lit panels in cyan, 0.5-0.75 a
// white-hot flash, 0.75-1 unused (black).
SPicture MakeBeams()
{
    SPicture picture(128, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const int band = y / 64;
            const double across = ((y % 64) + 0.5) / 64.0, along = (x + 0.5) / 128.0;
            const double edge = std::max(Smooth(0.1, 0.0, std::min(across, 1.0 - across)),
                                         Smooth(0.03, 0.0, std::min(along, 1.0 - along)));
            const double brushed = 0.04 * Grain(x / 4, y);
            if (band == 0)
            {
                const double steel = 0.22 + brushed + 0.6 * edge;
                picture.Set(x, y, steel, steel * 1.05, steel * 1.15);
            }
            else if (band == 1)
            {
                const bool panel = (x / 16) % 2 == 0;
                const double glow = (panel ? 0.8 : 0.45) * (1.0 - edge) + 0.9 * edge;
                picture.Set(x, y, 0.1 * glow, 0.75 * glow, glow);
            }
            else if (band == 2)
                picture.Set(x, y, 1.0, 0.95, 0.8 + 0.2 * edge);
            else
                picture.Set(x, y, 0.0, 0.0, 0.0);
        }
    }
    return picture;
}

bool Save(const std::string& sFolder, const std::string& sName, const SPicture& picture,
          std::string& sError)
{
    const std::string sPath = sFolder + "/" + sName;
    if (stbi_write_png(sPath.c_str(), picture.iWidth, picture.iHeight, 4, picture.rgba.data(),
                       picture.iWidth * 4) == 0)
    {
        sError = "cannot write " + sPath;
        return false;
    }
    return true;
}

} // namespace

bool WriteAtelierSceneImages(const std::string& sFolder, std::string& sError)
{
    return Save(sFolder, "ballroom.png", MakeBallRoom(), sError) &&
           Save(sFolder, "ball.png", MakeBall(), sError) &&
           Save(sFolder, "ballshadow.png", MakeBallShadow(), sError) &&
           Save(sFolder, "beams.png", MakeBeams(), sError);
}

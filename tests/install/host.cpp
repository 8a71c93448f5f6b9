// A host of the installed library: builds a document, writes and reads it back, draws on a
// software surface and multiplies D3DX matrices. Exits 0 when everything answers as it should.
#include "OrvKernel.h"
#include "d3dx9math.h"

#include <cstdio>
#include <string>

namespace
{
int g_iFailures = 0;

void Check(bool bOk, const char* pWhat)
{
    if (!bOk)
    {
        std::fprintf(stderr, "host: %s failed\n", pWhat);
        ++g_iFailures;
    }
}
} // namespace

int main()
{
    std::printf("Orv %s\n", OrvGetVersion());

    COrvDemo demo;
    demo.AddLayerSprite()->SetName("hello");
    std::string text;
    Check(demo.Save(text) && text.find("hello") != std::string::npos, "saving a document");
    Check(demo.GetLayers().size() == 1, "the layer list");

    ORV_Surface surface(16, 8);
    surface.Clear();
    surface.Plot(3, 2, 0xFF102030u);
    Check(surface.GetPixels()[3 + 2 * 16] == 0xFF102030u, "plotting on a surface");

    D3DXMATRIX scale, move, both;
    D3DXMatrixScaling(&scale, 2.0f, 2.0f, 2.0f);
    D3DXMatrixTranslation(&move, 1.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&both, &scale, &move);
    Check(both._11 == 2.0f && both._41 == 1.0f, "multiplying matrices");

    std::printf(g_iFailures ? "host: failed\n" : "host: ok\n");
    return g_iFailures ? 1 : 0;
}

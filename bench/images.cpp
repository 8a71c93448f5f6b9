// What loading a texture costs, against copying its file's bytes (memcpy, the reference):
// a 1024 x 1024 DXT5 DDS with its whole chain (kept compressed: a copy per level), the same
// picture as a PNG (decoded, then a chain filtered down), and a DXT5 DDS of one level whose
// chain is filtered down and compressed again.
#include "DxtCodec.h"
#include "PixelFormats.h"
#include "d3dx9.h"

#include "OrvComPtr.h"

#include <benchmark/benchmark.h>

#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr UINT kSize = 1024;

struct SDevice
{
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    SDevice()
    {
        m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.Windowed = TRUE;
        if (m_pD3D)
            m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                 m_pDevice.ReleaseAndGetAddressOf());
    }
};

std::vector<uint8_t> Picture(UINT uSize)
{
    std::vector<uint8_t> auRgba;
    auRgba.reserve(size_t(uSize) * uSize * 4);
    for (UINT y = 0; y < uSize; ++y)
        for (UINT x = 0; x < uSize; ++x)
            auRgba.insert(auRgba.end(), {uint8_t(x / 4), uint8_t(128 + 100 * std::sin(y * 0.02)),
                                         uint8_t((x ^ y) & 0xff), uint8_t(255 - y / 4)});
    return auRgba;
}

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char(v >> (8 * i)));
}

// A DXT5 DDS of the picture with uLevels levels.
std::string Dds(const std::vector<uint8_t>& auRgba, UINT uLevels)
{
    std::string file = "DDS ";
    const uint32_t auHeader[31] = {
        124, 0x21007, kSize, kSize, 0,  0,        uLevels,
        0,   0,       0,     0,     0,  0,        0,
        0,   0,       0,     0,     32, 4,        MAKEFOURCC('D', 'X', 'T', '5'),
        0,   0,       0,     0,     0,  0x401008, 0,
        0,   0,       0};
    for (uint32_t u : auHeader)
        Put32(file, u);
    std::vector<uint8_t> auLevel = auRgba;
    for (UINT uLevel = 0, uSide = kSize; uLevel < uLevels;
         ++uLevel, uSide = std::max(1u, uSide / 2))
    {
        std::vector<uint8_t> auBlocks(orv::pixels::ImageSize(D3DFMT_DXT5, uSide, uSide));
        orv::pixels::FromRgba(D3DFMT_DXT5, auLevel.data(), uSide, uSide, auBlocks.data());
        file.append(auBlocks.begin(), auBlocks.end());
        std::vector<uint8_t> auHalf;
        const UINT uHalf = std::max(1u, uSide / 2);
        for (UINT y = 0; y < uHalf; ++y)
            for (UINT x = 0; x < uHalf; ++x)
                for (UINT c = 0; c < 4; ++c)
                    auHalf.push_back(auLevel[(size_t(std::min(2 * y, uSide - 1)) * uSide +
                                              std::min(2 * x, uSide - 1)) *
                                                 4 +
                                             c]);
        auLevel = std::move(auHalf);
    }
    return file;
}

std::string Png(const std::vector<uint8_t>& auRgba)
{
    std::string file;
    stbi_write_png_to_func(
        [](void* p, void* d, int n)
        { static_cast<std::string*>(p)->append(static_cast<char*>(d), size_t(n)); },
        &file, kSize, kSize, 4, auRgba.data(), kSize * 4);
    return file;
}

void LoadTexture(benchmark::State& state, const std::string& file)
{
    SDevice device;
    if (!device.m_pDevice)
    {
        state.SkipWithError("no headless device");
        return;
    }
    for (auto _ : state)
    {
        COrvComPtr<IDirect3DTexture9> texture;
        if (FAILED(D3DXCreateTextureFromFileInMemory(device.m_pDevice.Get(), file.data(),
                                                     UINT(file.size()),
                                                     texture.ReleaseAndGetAddressOf())))
        {
            state.SkipWithError("the texture does not load");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

const std::vector<uint8_t>& ThePicture()
{
    static const std::vector<uint8_t> s_auRgba = Picture(kSize);
    return s_auRgba;
}

void BM_MemcpyOfTheDdsFile(benchmark::State& state)
{
    const std::string file = Dds(ThePicture(), 11);
    std::vector<char> acCopy(file.size());
    for (auto _ : state)
    {
        std::memcpy(acCopy.data(), file.data(), file.size());
        benchmark::DoNotOptimize(acCopy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_MemcpyOfTheDdsFile)->Unit(benchmark::kMicrosecond);

void BM_DdsDxt5WithItsChain(benchmark::State& state)
{
    LoadTexture(state, Dds(ThePicture(), 11));
}
BENCHMARK(BM_DdsDxt5WithItsChain)->Unit(benchmark::kMillisecond);

void BM_DdsDxt5ChainMadeAndCompressed(benchmark::State& state)
{
    LoadTexture(state, Dds(ThePicture(), 1));
}
BENCHMARK(BM_DdsDxt5ChainMadeAndCompressed)->Unit(benchmark::kMillisecond);

void BM_PngWithAChainMade(benchmark::State& state)
{
    LoadTexture(state, Png(ThePicture()));
}
BENCHMARK(BM_PngWithAChainMade)->Unit(benchmark::kMillisecond);
} // namespace

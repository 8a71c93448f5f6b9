// Textures made again from image files that did not change come from the levels kept the
// first time; a file that changed in any way is decoded again.
#include "ImageFile.h"
#include "OrvTempDir.h"
#include "OrvTestDevice.h"
#include "TextureCache.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

namespace
{
using Stats = COrvTextureCache::SStats;

SOrvPixels Flat(UINT uWidth, UINT uHeight, uint8_t r, uint8_t g, uint8_t b)
{
    SOrvPixels image;
    image.m_uWidth = uWidth;
    image.m_uHeight = uHeight;
    for (UINT i = 0; i < uWidth * uHeight; ++i)
        image.m_auRgba.insert(image.m_auRgba.end(), {r, g, b, 255});
    return image;
}

struct SLoaded
{
    HRESULT m_hr = E_FAIL;
    UINT m_uWidth = 0;
    UINT m_uLevels = 0;
    DWORD m_dwTopLeft = 0;
    DWORD m_dwLastLevel = 0;
    D3DXIMAGE_INFO m_Info{};
};

DWORD FirstTexel(IDirect3DTexture9* pTexture, UINT uLevel)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(pTexture->LockRect(uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return 0;
    DWORD dw = 0;
    std::memcpy(&dw, locked.pBits, sizeof(dw));
    pTexture->UnlockRect(uLevel);
    return dw;
}

SLoaded Load(IDirect3DDevice9* pDevice, const std::string& sFile, D3DCOLOR colorKey = 0)
{
    SLoaded loaded;
    COrvComPtr<IDirect3DTexture9> pTexture;
    loaded.m_hr = D3DXCreateTextureFromFileExA(pDevice, sFile.c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                               D3DX_DEFAULT, D3DX_DEFAULT, colorKey, &loaded.m_Info,
                                               nullptr, pTexture.ReleaseAndGetAddressOf());
    if (FAILED(loaded.m_hr))
        return loaded;
    D3DSURFACE_DESC desc{};
    pTexture->GetLevelDesc(0, &desc);
    loaded.m_uWidth = desc.Width;
    loaded.m_uLevels = pTexture->GetLevelCount();
    loaded.m_dwTopLeft = FirstTexel(pTexture.Get(), 0);
    loaded.m_dwLastLevel = FirstTexel(pTexture.Get(), loaded.m_uLevels - 1);
    return loaded;
}

void SetModified(const std::string& sFile, const timespec& when)
{
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, sFile.c_str(), times, 0), 0);
}

timespec ModifiedOf(const std::string& sFile)
{
    struct stat info
    {
    };
    ::stat(sFile.c_str(), &info);
    return info.st_mtim;
}

SOrvBuiltTexture Built(size_t uBytes, D3DFORMAT eAsked = D3DFMT_DXT1, bool bHeld = true)
{
    SOrvBuiltTexture built;
    built.m_aLevels.resize(1);
    built.m_aLevels[0].m_auBytes.resize(uBytes, 7);
    built.m_aFormatAnswers.emplace_back(eAsked, bHeld);
    return built;
}
} // namespace

TEST(TextureCache, UnchangedFilesAreNotDecodedAgainChangedOnesAre)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir dir("texture_cache");
    const std::string sFile = dir.File("picture.png");
    COrvTextureCache& rCache = COrvTextureCache::Shared();
    rCache.Clear();
    ASSERT_TRUE(COrvImageFile::Save(sFile, Flat(8, 8, 255, 0, 0), true));

    const Stats start = rCache.GetStats();
    const SLoaded first = Load(device.Get(), sFile);
    ASSERT_EQ(first.m_hr, S_OK);
    EXPECT_EQ(first.m_dwTopLeft, 0xFFFF0000u);
    EXPECT_EQ(rCache.GetStats().m_uMisses, start.m_uMisses + 1);

    // Loaded again, unchanged: the same texture without decoding, also by another path.
    dir.Enter();
    for (const std::string& sName :
         {sFile, std::string("picture.png"), std::string("./picture.png")})
    {
        const SLoaded again = Load(device.Get(), sName);
        ASSERT_EQ(again.m_hr, S_OK);
        EXPECT_EQ(again.m_dwTopLeft, first.m_dwTopLeft);
        EXPECT_EQ(again.m_uLevels, first.m_uLevels);
        EXPECT_EQ(again.m_dwLastLevel, first.m_dwLastLevel);
        EXPECT_EQ(again.m_Info.Width, 8u);
        EXPECT_EQ(again.m_Info.ImageFileFormat, D3DXIFF_PNG);
    }
    EXPECT_EQ(rCache.GetStats().m_uMisses, start.m_uMisses + 1);
    EXPECT_EQ(rCache.GetStats().m_uHits, start.m_uHits + 3);

    // Another request of the same file is made on its own (the colour key empties it).
    EXPECT_EQ(Load(device.Get(), sFile, 0xFFFF0000).m_dwTopLeft, 0u);
    EXPECT_EQ(Load(device.Get(), sFile).m_dwTopLeft, 0xFFFF0000u);
    EXPECT_EQ(rCache.GetStats().m_uMisses, start.m_uMisses + 2);

    // Another size.
    ASSERT_TRUE(COrvImageFile::Save(sFile, Flat(16, 8, 0, 255, 0), true));
    SLoaded changed = Load(device.Get(), sFile);
    EXPECT_EQ(changed.m_uWidth, 16u);
    EXPECT_EQ(changed.m_dwTopLeft, 0xFF00FF00u);

    // Other pixels in a file of the same size and time: its bytes tell.
    const timespec before = ModifiedOf(sFile);
    ASSERT_TRUE(COrvImageFile::Save(sFile, Flat(16, 8, 0, 0, 255), true));
    SetModified(sFile, before);
    EXPECT_EQ(Load(device.Get(), sFile).m_dwTopLeft, 0xFF0000FFu);

    // The same bytes touched: read again, same picture.
    const Stats touched = rCache.GetStats();
    SetModified(sFile, timespec{before.tv_sec + 5, 0});
    EXPECT_EQ(Load(device.Get(), sFile).m_dwTopLeft, 0xFF0000FFu);
    EXPECT_EQ(rCache.GetStats().m_uMisses, touched.m_uMisses + 1);

    // A file that became unreadable fails, whatever was kept.
    OrvWriteFile(sFile, "not a picture at all");
    EXPECT_EQ(Load(device.Get(), sFile).m_hr, D3DXERR_INVALIDDATA);
    std::filesystem::remove(sFile);
    EXPECT_EQ(Load(device.Get(), sFile).m_hr, D3DERR_NOTFOUND);
    rCache.Clear();
}

TEST(TextureCache, StampsRequestsDeviceAnswersAndCapacityDecide)
{
    COrvTextureCache cache(3000);
    SOrvFileStamp stamp;
    stamp.m_iSize = 10;
    stamp.m_uContentHash = 42;
    const SOrvTextureRequest request{};
    const auto held = [](D3DFORMAT) { return true; };
    SOrvBuiltTexture found;

    cache.Store("/a", stamp, request, Built(1000));
    EXPECT_TRUE(cache.Find("/a", stamp, request, held, found));
    EXPECT_EQ(found.m_aLevels.at(0).m_auBytes.size(), 1000u);
    EXPECT_FALSE(cache.Find("/b", stamp, request, held, found));
    SOrvTextureRequest other = request;
    other.m_uMipLevels = 1;
    EXPECT_FALSE(cache.Find("/a", stamp, other, held, found));
    // A device that holds other formats gets levels of its own.
    EXPECT_FALSE(cache.Find(
        "/a", stamp, request, [](D3DFORMAT) { return false; }, found));
    EXPECT_TRUE(cache.Find("/a", stamp, request, held, found));

    // A changed file drops what was kept of it.
    SOrvFileStamp newer = stamp;
    newer.m_iModified += 1;
    EXPECT_FALSE(cache.Find("/a", newer, request, held, found));
    EXPECT_FALSE(cache.Find("/a", stamp, request, held, found));
    EXPECT_EQ(cache.GetStats().m_uEntries, 0u);
    EXPECT_EQ(cache.GetStats().m_uBytes, 0u);

    // Beyond the capacity, the least recently used go; what cannot fit is not kept.
    cache.Store("/a", stamp, request, Built(1000));
    cache.Store("/b", stamp, request, Built(1000));
    EXPECT_TRUE(cache.Find("/a", stamp, request, held, found));
    cache.Store("/c", stamp, request, Built(1000));
    EXPECT_LE(cache.GetStats().m_uBytes, 3000u);
    EXPECT_TRUE(cache.Find("/a", stamp, request, held, found));
    EXPECT_FALSE(cache.Find("/b", stamp, request, held, found));
    EXPECT_TRUE(cache.Find("/c", stamp, request, held, found));
    cache.Store("/d", stamp, request, Built(5000));
    EXPECT_FALSE(cache.Find("/d", stamp, request, held, found));
    cache.SetCapacity(0);
    EXPECT_EQ(cache.GetStats().m_uEntries, 0u);
}

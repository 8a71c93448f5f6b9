#pragma once

// Textures made from image files, kept ready to be filled in again: the decoded file's mip
// chain in the texture's format, with what was asked and what the file was when it was read.
// Reloading a demo makes every texture anew; an image file that did not change is then
// neither decoded nor filtered down again, only copied into the new texture.
#include "TextureLevels.h"

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// What a file was when it was read: the same path, size and modification time (with the
// same file behind the name), and the same bytes, make the same file.
struct SOrvFileStamp
{
    uint64_t m_uDevice = 0;
    uint64_t m_uInode = 0;
    int64_t m_iSize = -1;
    int64_t m_iModified = 0; // nanoseconds
    int64_t m_iChanged = 0;  // nanoseconds (status change)
    uint64_t m_uContentHash = 0;

    // The file's stamp without its content hash; false if the file cannot be examined.
    static bool Of(const std::string& sPath, SOrvFileStamp& rStamp);
    static uint64_t HashOf(const std::vector<uint8_t>& rauBytes);
    bool operator==(const SOrvFileStamp&) const = default;
};

// The caller's choices that shape the levels (the filters are not used).
struct SOrvTextureRequest
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    UINT m_uMipLevels = 0;
    DWORD m_dwUsage = 0;
    D3DFORMAT m_eFormat = D3DFMT_UNKNOWN;
    D3DCOLOR m_ColorKey = 0;
    bool operator==(const SOrvTextureRequest&) const = default;
};

// The levels of one texture, and the device's answers that chose their format.
struct SOrvBuiltTexture
{
    D3DXIMAGE_INFO m_Info{};
    SOrvTexturePlan m_Plan;
    std::vector<SOrvImageLevel> m_aLevels;
    std::vector<std::pair<D3DFORMAT, bool>> m_aFormatAnswers;
    size_t GetBytes() const;
};

class COrvTextureCache
{
public:
    struct SStats
    {
        uint64_t m_uHits = 0;
        uint64_t m_uMisses = 0; // files decoded
        size_t m_uEntries = 0;
        size_t m_uBytes = 0;
    };

    // The one the D3DX texture loaders use.
    static COrvTextureCache& Shared();

    explicit COrvTextureCache(size_t uCapacityBytes = s_uDefaultCapacity);

    // The levels kept for this file (absolute path), stamp and request, if any. A kept entry
    // for the same path and request but another stamp is dropped.
    // The device must answer as it did when the levels were made about the formats it holds.
    bool Find(const std::string& sPath, const SOrvFileStamp& stamp,
              const SOrvTextureRequest& request, const COrvTextureLevels::CanStore& canStore,
              SOrvBuiltTexture& rBuilt);
    // Keeps the levels, dropping the least recently used entries beyond the capacity.
    void Store(const std::string& sPath, const SOrvFileStamp& stamp,
               const SOrvTextureRequest& request, const SOrvBuiltTexture& built);

    SStats GetStats() const;
    void Clear();
    void SetCapacity(size_t uBytes);

    static constexpr size_t s_uDefaultCapacity = size_t(256) << 20;

private:
    struct SEntry
    {
        std::string m_sPath;
        SOrvFileStamp m_Stamp;
        SOrvTextureRequest m_Request;
        SOrvBuiltTexture m_Built;
    };
    using Entries = std::list<SEntry>; // most recently used first

    Entries::iterator Locate(const std::string& sPath, const SOrvTextureRequest& request);
    void Drop(Entries::iterator it);
    void Trim();

    mutable std::mutex m_Mutex;
    Entries m_Entries;
    size_t m_uCapacity;
    SStats m_Stats;
};

#include "TextureCache.h"

#include <sys/stat.h>

#include <string_view>

bool SOrvFileStamp::Of(const std::string& sPath, SOrvFileStamp& rStamp)
{
    struct stat info
    {
    };
    if (::stat(sPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    rStamp = SOrvFileStamp();
    rStamp.m_uDevice = uint64_t(info.st_dev);
    rStamp.m_uInode = uint64_t(info.st_ino);
    rStamp.m_iSize = int64_t(info.st_size);
    rStamp.m_iModified = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    rStamp.m_iChanged = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return true;
}

// File times tick in steps of a few milliseconds: a file rewritten at the same size within
// one step keeps its stamp, and only its bytes tell it apart.
uint64_t SOrvFileStamp::HashOf(const std::vector<uint8_t>& rauBytes)
{
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(rauBytes.data()), rauBytes.size()));
}

size_t SOrvBuiltTexture::GetBytes() const
{
    size_t uBytes = sizeof(*this);
    for (const SOrvImageLevel& rLevel : m_aLevels)
        uBytes += rLevel.m_auBytes.size() + sizeof(rLevel);
    return uBytes;
}

namespace
{
bool SameAnswers(const SOrvBuiltTexture& built, const COrvTextureLevels::CanStore& canStore)
{
    for (const auto& [eFormat, bHeld] : built.m_aFormatAnswers)
        if (canStore(eFormat) != bHeld)
            return false;
    return true;
}
} // namespace

COrvTextureCache& COrvTextureCache::Shared()
{
    static COrvTextureCache s_Cache;
    return s_Cache;
}

COrvTextureCache::COrvTextureCache(size_t uCapacityBytes) : m_uCapacity(uCapacityBytes) {}

COrvTextureCache::Entries::iterator COrvTextureCache::Locate(const std::string& sPath,
                                                             const SOrvTextureRequest& request)
{
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it)
        if (it->m_sPath == sPath && it->m_Request == request)
            return it;
    return m_Entries.end();
}

void COrvTextureCache::Drop(Entries::iterator it)
{
    m_Stats.m_uBytes -= it->m_Built.GetBytes();
    m_Entries.erase(it);
}

bool COrvTextureCache::Find(const std::string& sPath, const SOrvFileStamp& stamp,
                            const SOrvTextureRequest& request,
                            const COrvTextureLevels::CanStore& canStore, SOrvBuiltTexture& rBuilt)
{
    std::lock_guard lock(m_Mutex);
    const auto it = Locate(sPath, request);
    if (it != m_Entries.end() && !(it->m_Stamp == stamp))
        Drop(it); // the file changed: what was kept of it is of no more use
    else if (it != m_Entries.end() && SameAnswers(it->m_Built, canStore))
    {
        m_Entries.splice(m_Entries.begin(), m_Entries, it);
        rBuilt = it->m_Built;
        ++m_Stats.m_uHits;
        return true;
    }
    ++m_Stats.m_uMisses;
    return false;
}

void COrvTextureCache::Store(const std::string& sPath, const SOrvFileStamp& stamp,
                             const SOrvTextureRequest& request, const SOrvBuiltTexture& built)
{
    std::lock_guard lock(m_Mutex);
    const auto it = Locate(sPath, request);
    if (it != m_Entries.end())
        Drop(it);
    if (built.GetBytes() > m_uCapacity)
        return;
    m_Entries.push_front(SEntry{sPath, stamp, request, built});
    m_Stats.m_uBytes += built.GetBytes();
    Trim();
}

void COrvTextureCache::Trim()
{
    while (m_Stats.m_uBytes > m_uCapacity && !m_Entries.empty())
        Drop(std::prev(m_Entries.end()));
}

COrvTextureCache::SStats COrvTextureCache::GetStats() const
{
    std::lock_guard lock(m_Mutex);
    SStats stats = m_Stats;
    stats.m_uEntries = m_Entries.size();
    return stats;
}

void COrvTextureCache::Clear()
{
    std::lock_guard lock(m_Mutex);
    m_Entries.clear();
    m_Stats.m_uBytes = 0;
}

void COrvTextureCache::SetCapacity(size_t uBytes)
{
    std::lock_guard lock(m_Mutex);
    m_uCapacity = uBytes;
    Trim();
}

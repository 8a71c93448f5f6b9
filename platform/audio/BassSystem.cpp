#include "BassSystem.h"

#include "bass.h"

#include <cstdio>
#include <cstdlib>

namespace orv::bass
{
CBassSystem& CBassSystem::Get()
{
    // Never destroyed, so that a host's own static objects may still call in while the
    // process exits; the output is closed at exit so that its thread ends first.
    static CBassSystem* s_pSystem = []
    {
        auto* pSystem = new CBassSystem;
        std::atexit([] { Get().Free(); });
        return pSystem;
    }();
    return *s_pSystem;
}

int CBassSystem::Init(bool wantDevice, int rate)
{
    std::lock_guard lock(m_Mutex);
    if (m_pOutput)
        return BASS_ERROR_ALREADY;
    m_pOutput = CBassOutput::Open(wantDevice, rate,
                                  [this](float* pStereo, int frames, int64_t playNs)
                                  { Mix(pStereo, frames, playNs); });
    if (!m_pOutput)
        return BASS_ERROR_DRIVER;
    m_pOutput->Start();
    return BASS_OK;
}

int CBassSystem::Start()
{
    std::lock_guard lock(m_Mutex);
    if (!m_pOutput)
        return BASS_ERROR_INIT;
    return m_pOutput->Start() ? BASS_OK : BASS_ERROR_START;
}

int CBassSystem::Free()
{
    std::unique_ptr<CBassOutput> pOutput;
    {
        std::lock_guard lock(m_Mutex);
        if (!m_pOutput)
            return BASS_ERROR_INIT;
        pOutput = std::move(m_pOutput);
        m_Streams.clear();
        m_pMixList.reset();
    }
    // Closing waits for the output thread, which may be waiting for the lock.
    pOutput.reset();
    return BASS_OK;
}

int CBassSystem::CreateStream(const std::string& path, int bytesPerSample, uint32_t& handle)
{
    handle = 0;
    {
        std::lock_guard lock(m_Mutex);
        if (!m_pOutput)
            return BASS_ERROR_INIT;
    }
    if (FILE* pFile = std::fopen(path.c_str(), "rb"))
        std::fclose(pFile);
    else
        return BASS_ERROR_FILEOPEN;
    auto pDecoder = CBassDecoder::Open(path);
    if (!pDecoder)
        return BASS_ERROR_FILEFORM;
    auto pStream = std::make_shared<CBassStream>(std::move(pDecoder), bytesPerSample);
    std::lock_guard lock(m_Mutex);
    if (!m_pOutput)
        return BASS_ERROR_INIT;
    do
        handle = ++m_iLastHandle;
    while (handle == 0 || m_Streams.count(handle));
    m_Streams.emplace(handle, std::move(pStream));
    PublishStreamList();
    return BASS_OK;
}

int CBassSystem::FreeStream(uint32_t handle)
{
    std::shared_ptr<CBassStream> pStream; // destroyed outside the lock
    std::lock_guard lock(m_Mutex);
    auto it = m_Streams.find(handle);
    if (it == m_Streams.end())
        return BASS_ERROR_HANDLE;
    pStream = std::move(it->second);
    m_Streams.erase(it);
    PublishStreamList();
    return BASS_OK;
}

std::shared_ptr<CBassStream> CBassSystem::Find(uint32_t handle)
{
    std::lock_guard lock(m_Mutex);
    auto it = m_Streams.find(handle);
    return it == m_Streams.end() ? nullptr : it->second;
}

const CBassSpectrum* CBassSystem::GetSpectrum(int size)
{
    int index = 0;
    while (index < 4 && (512 << index) != size)
        ++index;
    if (index == 4)
        return nullptr;
    std::lock_guard lock(m_Mutex);
    if (!m_pSpectra[index])
        m_pSpectra[index] = std::make_unique<CBassSpectrum>(size);
    return m_pSpectra[index].get();
}

void CBassSystem::PublishStreamList()
{
    auto pList = std::make_shared<StreamList>();
    pList->reserve(m_Streams.size());
    for (const auto& [handle, pStream] : m_Streams)
        pList->push_back(pStream);
    m_pMixList = std::move(pList);
}

void CBassSystem::Mix(float* pStereo, int frames, int64_t playNs)
{
    std::shared_ptr<const StreamList> pList;
    int rate = 0;
    {
        std::lock_guard lock(m_Mutex);
        pList = m_pMixList;
        rate = m_pOutput ? m_pOutput->GetRate() : 0;
    }
    if (!pList || rate <= 0)
        return;
    for (const auto& pStream : *pList)
        pStream->Mix(pStereo, frames, rate, playNs);
}
} // namespace orv::bass

#pragma once

#include "BassOutput.h"
#include "BassFft.h"
#include "BassStream.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv::bass
{
// The process's audio: the output, the open streams by handle, and the mix of the
// playing ones. Error results are the interface's error codes (BASS_OK on success).
class CBassSystem
{
public:
    static CBassSystem& Get();

    int Init(bool wantDevice, int rate);
    int Start();
    int Free();

    // Opens a file as a stream; handle receives its non-zero handle.
    int CreateStream(const std::string& path, int bytesPerSample, uint32_t& handle);
    int FreeStream(uint32_t handle);
    // The stream of a live handle, or null.
    std::shared_ptr<CBassStream> Find(uint32_t handle);
    // The spectrum of a supported size (512 to 4096), or null.
    const CBassSpectrum* GetSpectrum(int size);

private:
    using StreamList = std::vector<std::shared_ptr<CBassStream>>;

    CBassSystem() = default;
    void Mix(float* pStereo, int frames, int64_t playNs);
    void PublishStreamList();

    std::mutex m_Mutex;
    std::unique_ptr<CBassOutput> m_pOutput;
    std::unordered_map<uint32_t, std::shared_ptr<CBassStream>> m_Streams;
    std::shared_ptr<const StreamList> m_pMixList; // what the output thread mixes
    uint32_t m_iLastHandle = 0;
    std::unique_ptr<CBassSpectrum> m_pSpectra[4];
};
} // namespace orv::bass

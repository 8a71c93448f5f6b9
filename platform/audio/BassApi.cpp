// The audio interface's entry points, over CBassSystem and its streams.
#include "bass.h"

#include "BassSystem.h"

#include <cmath>
#include <vector>

using orv::bass::CBassStream;
using orv::bass::CBassSystem;

namespace
{
constexpr QWORD kNoPosition = static_cast<QWORD>(-1);
constexpr int kDefaultRate = 44100;

thread_local int t_iError = BASS_OK;

// Records the outcome of a call; true when it succeeded.
bool Report(int error)
{
    t_iError = error;
    return error == BASS_OK;
}

// The live stream of a handle; null (with the error set) for a zero or stale handle.
std::shared_ptr<CBassStream> FindStream(DWORD handle)
{
    auto pStream = CBassSystem::Get().Find(handle);
    Report(pStream ? BASS_OK : BASS_ERROR_HANDLE);
    return pStream;
}
} // namespace

DWORD BASS_GetVersion(void)
{
    Report(BASS_OK);
    return static_cast<DWORD>(BASSVERSION) << 16;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, HWND, const void*)
{
    if (device < -1 || device > 1)
        return Report(BASS_ERROR_DEVICE);
    if (freq == 0)
        freq = kDefaultRate;
    if (freq < 1000 || freq > 384000)
        return Report(BASS_ERROR_FREQ);
    return Report(CBassSystem::Get().Init(device != 0, static_cast<int>(freq)));
}

BOOL BASS_Start(void)
{
    return Report(CBassSystem::Get().Start());
}

BOOL BASS_Free(void)
{
    return Report(CBassSystem::Get().Free());
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    if (mem || offset || length)
        return Report(BASS_ERROR_NOTAVAIL), 0;
    if (!file)
        return Report(BASS_ERROR_FILEOPEN), 0;
    const int bytesPerSample = (flags & BASS_SAMPLE_FLOAT) ? 4 : 2;
    uint32_t handle = 0;
    Report(CBassSystem::Get().CreateStream(static_cast<const char*>(file), bytesPerSample, handle));
    return handle;
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    return Report(CBassSystem::Get().FreeStream(handle));
}

BOOL BASS_ChannelPreBuf(DWORD handle, DWORD)
{
    auto pStream = FindStream(handle);
    if (pStream)
        pStream->PreBuffer();
    return pStream != nullptr;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    auto pStream = FindStream(handle);
    if (pStream)
        pStream->Play(restart != FALSE);
    return pStream != nullptr;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    auto pStream = FindStream(handle);
    if (pStream)
        pStream->Stop();
    return pStream != nullptr;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    auto pStream = FindStream(handle);
    return pStream && pStream->IsActive() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

QWORD BASS_ChannelGetLength(DWORD handle)
{
    auto pStream = FindStream(handle);
    if (!pStream)
        return kNoPosition;
    return static_cast<QWORD>(pStream->GetFrames()) * pStream->GetBytesPerFrame();
}

QWORD BASS_ChannelGetPosition(DWORD handle)
{
    auto pStream = FindStream(handle);
    if (!pStream)
        return kNoPosition;
    const auto frame = static_cast<QWORD>(pStream->GetPosition());
    return frame * pStream->GetBytesPerFrame();
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    auto pStream = FindStream(handle);
    if (!pStream)
        return FALSE;
    const QWORD frame = pos / pStream->GetBytesPerFrame();
    if (frame > static_cast<QWORD>(pStream->GetFrames()))
        return Report(BASS_ERROR_POSITION);
    return Report(pStream->SetPosition(static_cast<int64_t>(frame)) ? BASS_OK
                                                                    : BASS_ERROR_POSITION);
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    auto pStream = FindStream(handle);
    if (!pStream)
        return -1.0f;
    if (pos == kNoPosition)
        return Report(BASS_ERROR_ILLPARAM), -1.0f;
    const double bytesPerSecond =
        static_cast<double>(pStream->GetRate()) * pStream->GetBytesPerFrame();
    return static_cast<float>(static_cast<double>(pos) / bytesPerSecond);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos)
{
    auto pStream = FindStream(handle);
    if (!pStream)
        return kNoPosition;
    if (!(pos >= 0.0f) || std::isinf(pos))
        return Report(BASS_ERROR_ILLPARAM), kNoPosition;
    // The nearest whole sample frame.
    const double frames = std::floor(static_cast<double>(pos) * pStream->GetRate() + 0.5);
    return static_cast<QWORD>(frames) * pStream->GetBytesPerFrame();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    constexpr DWORD kFailed = static_cast<DWORD>(-1);
    auto pStream = FindStream(handle);
    if (!pStream)
        return kFailed;
    if (!(length & BASS_DATA_FFT512) || (length & 0x7FFFFFFF) > 3)
        return Report(BASS_ERROR_NOTAVAIL), kFailed;
    if (!buffer)
        return Report(BASS_ERROR_ILLPARAM), kFailed;
    const int size = 512 << (length & 3);
    const auto* pSpectrum = CBassSystem::Get().GetSpectrum(size);
    std::vector<float> samples(size);
    if (!pSpectrum || !pStream->GetPlayingSamples(samples.data(), size))
        return Report(BASS_ERROR_NOTAVAIL), kFailed;
    pSpectrum->Compute(samples.data(), static_cast<float*>(buffer));
    return static_cast<DWORD>(size * pStream->GetBytesPerFrame());
}

int BASS_ErrorGetCode(void)
{
    return t_iError;
}

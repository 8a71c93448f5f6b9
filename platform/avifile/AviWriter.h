#pragma once

// An AVI file being written: its streams, their encoders, and the worker thread that
// compresses queued video frames and interleaves them with the sound in the file.
#include "AviAudioEncoder.h"
#include "AviVideoEncoder.h"
#include "vfw.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVStream;
struct AVPacket;

namespace orv::avi
{

// The FFmpeg muxer for a file name: "mp4" for .mp4 and .m4v, "mov", "matroska" for .mkv,
// "webm", and "avi" for .avi and every other name.
std::string GetMuxerForFile(const std::string& sPath);

class CAviWriter
{
public:
    CAviWriter() = default;
    ~CAviWriter();
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Creates the file (replacing any file of that name).
    HRESULT Create(const std::string& sPath);
    const std::string& GetMuxer() const { return m_sMuxer; }
    // Adds a stream described by the header; its index in *piIndex.
    HRESULT CreateStream(const AVISTREAMINFOA& info, int* piIndex);
    const AVISTREAMINFOA* GetInfo(int iIndex) const;
    // Sets a stream's format: a bitmap header for video (compressed with sEncoder),
    // a PCM wave format for sound.
    HRESULT SetFormat(int iIndex, const void* pFormat, LONG cbFormat, const std::string& sEncoder);
    HRESULT ReadFormat(int iIndex, void* pFormat, LONG* pcbFormat) const;
    HRESULT Write(int iIndex, LONG lStart, LONG lSamples, const void* pBuffer, LONG cbBuffer,
                  LONG* plSamples, LONG* plBytes);
    // Queues a video frame as a device reads it back (AviDeviceFrame.h): the caller's thread
    // copies it, the worker converts it to the stream's format and compresses it.
    HRESULT WriteDeviceFrame(int iIndex, LONG lStart, const void* pPixels, LONG lPitch);
    LONG GetLength(int iIndex) const;
    // What compressing the video cost so far.
    AVICOMPRESSORTIMING GetTiming();
    // Drains the queue, flushes the encoders and completes the file.
    void Close();

private:
    struct SStream
    {
        AVISTREAMINFOA info{};
        AVStream* pStream = nullptr;
        std::vector<uint8_t> format;
        std::unique_ptr<CAviVideoEncoder> pEncoder;
        SVideoFormat video;     // video: the bitmaps the stream takes
        LONG lNextPosition = 0; // next sample position the caller may write
        LONG lLength = 0;       // samples accepted so far
        int64_t iVideoEnd = 0;  // video: frames handed to the encoder
        std::unique_ptr<CAviAudioEncoder> pAudioEncoder; // sound the container wants compressed
        std::vector<uint8_t> pcm; // sound: bytes accepted, from iPcmOffset not yet in the file
        size_t iPcmOffset = 0;
        int64_t iPcmWritten = 0; // sound: sample frames already in the file
        int iBlockAlign = 0;
        int iSampleRate = 0;
    };
    struct SJob
    {
        int iIndex;
        LONG lPosition;
        size_t cbRow; // bytes of a row of bits, padding included
        std::vector<uint8_t> bits;
        bool bDeviceFrame = false; // bits are a device's read-back, cbRow apart, to convert
    };

    HRESULT SetVideoFormat(SStream& stream, const void* pFormat, LONG cbFormat,
                           const std::string& sEncoder);
    HRESULT SetAudioFormat(SStream& stream, const void* pFormat, LONG cbFormat);
    HRESULT WriteVideo(int iIndex, LONG lStart, const void* pBuffer, LONG cbBuffer);
    // Checks a video write and waits for room in the queue; with the lock held.
    HRESULT AdmitVideo(std::unique_lock<std::mutex>& lock, SStream& stream, LONG lStart);
    // A buffer of at least cbSize bytes for a job, a used one when there is one.
    std::vector<uint8_t> TakeBuffer(size_t cbSize);
    // Runs the stream's encoder on a job, converting a device frame first.
    bool EncodeJob(SJob& job);
    HRESULT WriteAudio(SStream& stream, const void* pBuffer, LONG cbBuffer, LONG* plSamples);
    bool StartWriting();
    void RunWorker();
    bool WritePacket(AVPacket* pPacket, int iIndex, int iNum, int iDen);
    // Moves sound into the file up to the given time in seconds (negative: all of it).
    bool WriteAudioUpTo(double dSeconds);
    bool WritePcmChunk(SStream& stream, const uint8_t* pBytes, int64_t iCount);
    // Drains the sound encoders at the end of the file.
    bool FlushAudio();
    double GetVideoEndSeconds() const;

    std::string m_sPath;
    std::string m_sMuxer;
    AVFormatContext* m_pFormat = nullptr;
    std::vector<SStream> m_streams;
    bool m_bStarted = false;
    bool m_bHeaderOk = false;
    bool m_bHasVideo = false;
    bool m_bFailed = false;
    bool m_bClosed = false;

    std::mutex m_mutex; // guards the queue, the muxer and the sound buffers
    std::condition_variable m_cvJobs;
    std::condition_variable m_cvSpace;
    std::deque<SJob> m_jobs;
    std::vector<std::vector<uint8_t>> m_spare; // job buffers done with, to be used again
    std::vector<uint8_t> m_converted;          // the worker's converted device frame
    bool m_bStopping = false;
    std::thread m_worker;
    AVICOMPRESSORTIMING m_timing{};
};

} // namespace orv::avi

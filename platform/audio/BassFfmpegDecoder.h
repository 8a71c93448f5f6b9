#pragma once

#include "BassDecoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct AVIOContext;

namespace orv::bass
{
// Any audio file FFmpeg decodes, for what the other decoders refuse. The file is decoded
// once when it is opened, to count its frames exactly and to note where each decoded block
// starts; seeks go back to a block before the target (or to the start of the file when the
// timestamps cannot be trusted) and decode forward, so they land on the same samples as
// reading from the start.
class CBassFfmpegDecoder final : public CBassDecoder
{
public:
    CBassFfmpegDecoder() = default;
    CBassFfmpegDecoder(const CBassFfmpegDecoder&) = delete;
    CBassFfmpegDecoder& operator=(const CBassFfmpegDecoder&) = delete;
    ~CBassFfmpegDecoder() override;

    // Null when FFmpeg finds no audio it can decode in the file.
    static std::unique_ptr<CBassDecoder> Open(const std::string& path);

private:
    bool SeekTo(int64_t frame) override;
    int64_t ReadFrames(float* pOut, int64_t frames) override;

    // Where a decoded block starts: its timestamp and its first frame.
    struct SBlockStart
    {
        int64_t m_iPts;
        int64_t m_iFrame;
    };

    // Opens the file (again) and positions it at its start; on failure everything is closed.
    bool OpenFile();
    bool OpenStream();
    void CloseFile();
    bool CountFrames();
    bool Rewind();
    // Decodes the next block into m_Pending; false at the end of the stream.
    bool DecodeBlock();
    bool ReceiveBlock();
    bool Discard(int64_t frames);
    bool SeekNear(int64_t frame);
    // The first frame of the block with this timestamp, or -1.
    int64_t FrameOfPts(int64_t pts) const;

    std::string m_sPath;
    std::FILE* m_pFile = nullptr;
    AVIOContext* m_pIo = nullptr;
    AVFormatContext* m_pFormat = nullptr;
    AVCodecContext* m_pCodec = nullptr;
    AVPacket* m_pPacket = nullptr;
    AVFrame* m_pFrame = nullptr;
    int m_iStream = -1;
    bool m_bDraining = false;
    bool m_bEnded = false;

    std::vector<float> m_Pending; // decoded frames not yet read, interleaved
    size_t m_uPendingFirst = 0;   // index of the next unread sample in m_Pending
    int64_t m_iPendingPts = 0;    // timestamp of the block in m_Pending
    int64_t m_iPosition = 0;      // the frame the next Read returns first
    int64_t m_iPreroll = 0;       // frames decoded before a seek target
    std::vector<SBlockStart> m_Blocks;
};
} // namespace orv::bass

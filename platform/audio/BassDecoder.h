#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv::bass
{
// Reads a music file as interleaved float samples, with sample-exact seeking.
class CBassDecoder
{
public:
    virtual ~CBassDecoder() = default;

    // Opens the file with the decoder that reads it: Ogg Vorbis through libvorbisfile, other
    // files through libsndfile, and what those refuse (12- and 20-bit FLAC, AAC, Opus, WMA, ...)
    // through FFmpeg. Null when no decoder can read it.
    static std::unique_ptr<CBassDecoder> Open(const std::string& path);

    int GetRate() const { return m_iRate; }
    int GetChannels() const { return m_iChannels; }
    // Length in sample frames.
    int64_t GetFrames() const { return m_iFrames; }

    // Moves to a frame in [0, GetFrames()]; false for a frame outside that range, or when
    // the decoder cannot.
    bool Seek(int64_t frame);
    // Reads up to frames sample frames into out (frames × channels floats); returns the
    // number read, 0 at the end of the stream or on a read error. Never reads past
    // GetFrames(), even where a damaged file holds more than its length says.
    int64_t Read(float* pOut, int64_t frames);

protected:
    // Moves to a frame already known to lie in [0, GetFrames()].
    virtual bool SeekTo(int64_t frame) = 0;
    // Reads up to frames sample frames; 0 at the end or on an error.
    virtual int64_t ReadFrames(float* pOut, int64_t frames) = 0;

    int m_iRate = 0;
    int m_iChannels = 0;
    int64_t m_iFrames = 0;

private:
    int64_t m_iPosition = 0; // the frame the next read gives
};
} // namespace orv::bass

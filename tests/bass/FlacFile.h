#pragma once

// A small FLAC writer for the audio tests: verbatim subframes at any bit depth from 4 to 32,
// so that files libsndfile refuses (12- and 20-bit) and files without a total sample count
// (as streaming encoders leave them) can be made without an encoder.
#include <cstdint>
#include <string>
#include <vector>

namespace orv::test
{
class CFlacBits
{
public:
    void Put(uint64_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
        {
            m_uCurrent = uint8_t((m_uCurrent << 1) | ((value >> i) & 1));
            if (++m_iFilled == 8)
                Flush();
        }
    }
    void PadToByte()
    {
        while (m_iFilled != 0)
            Put(0, 1);
    }
    // The UTF-8-like coding of frame numbers.
    void PutUtf8(uint32_t value)
    {
        if (value < 0x80)
            return Put(value, 8);
        int extra = value < 0x800 ? 1 : value < 0x10000 ? 2 : value < 0x200000 ? 3 : 4;
        static const uint8_t s_auLead[] = {0, 0xC0, 0xE0, 0xF0, 0xF8};
        Put(s_auLead[extra] | (value >> (6 * extra)), 8);
        for (int i = extra - 1; i >= 0; --i)
            Put(0x80 | ((value >> (6 * i)) & 0x3F), 8);
    }
    std::vector<uint8_t>& Bytes() { return m_auBytes; }

private:
    void Flush()
    {
        m_auBytes.push_back(m_uCurrent);
        m_uCurrent = 0;
        m_iFilled = 0;
    }
    std::vector<uint8_t> m_auBytes;
    uint8_t m_uCurrent = 0;
    int m_iFilled = 0;
};

inline uint8_t FlacCrc8(const uint8_t* p, size_t n)
{
    uint8_t crc = 0;
    for (size_t i = 0; i < n; ++i)
    {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = uint8_t((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

inline uint16_t FlacCrc16(const uint8_t* p, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i)
    {
        crc ^= uint16_t(p[i] << 8);
        for (int b = 0; b < 8; ++b)
            crc = uint16_t((crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

// Encodes interleaved integer samples (each within the bit depth) as a FLAC stream.
// bWriteTotal false leaves the total sample count at 0 ("unknown").
inline std::string EncodeFlac(const std::vector<int32_t>& samples, int channels, int rate, int bits,
                              bool bWriteTotal, int blockSize = 4096)
{
    const uint64_t frames = samples.size() / size_t(channels);
    CFlacBits out;
    for (char c : std::string("fLaC"))
        out.Put(uint8_t(c), 8);
    out.Put(1, 1); // last metadata block
    out.Put(0, 7); // STREAMINFO
    out.Put(34, 24);
    out.Put(uint64_t(blockSize), 16);
    out.Put(uint64_t(blockSize), 16);
    out.Put(0, 24);
    out.Put(0, 24);
    out.Put(uint64_t(rate), 20);
    out.Put(uint64_t(channels - 1), 3);
    out.Put(uint64_t(bits - 1), 5);
    out.Put(bWriteTotal ? frames : 0, 36);
    for (int i = 0; i < 16; ++i)
        out.Put(0, 8); // no MD5
    static const int s_aiSizeCodes[33] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 4,
                                          0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 7};
    uint32_t frameNumber = 0;
    for (uint64_t first = 0; first < frames; first += uint64_t(blockSize), ++frameNumber)
    {
        const uint64_t count = std::min<uint64_t>(uint64_t(blockSize), frames - first);
        const size_t start = out.Bytes().size();
        out.Put(0x3FFE, 14);
        out.Put(0, 1);
        out.Put(0, 1); // fixed block size
        out.Put(7, 4); // 16-bit block size follows
        out.Put(0, 4); // rate from STREAMINFO
        out.Put(uint64_t(channels - 1), 4);
        out.Put(uint64_t(s_aiSizeCodes[bits]), 3);
        out.Put(0, 1);
        out.PutUtf8(frameNumber);
        out.Put(count - 1, 16);
        out.Put(FlacCrc8(out.Bytes().data() + start, out.Bytes().size() - start), 8);
        for (int c = 0; c < channels; ++c)
        {
            out.Put(0, 1);
            out.Put(1, 6); // verbatim
            out.Put(0, 1);
            for (uint64_t i = 0; i < count; ++i)
                out.Put(
                    uint64_t(uint32_t(samples[(first + i) * uint64_t(channels) + uint64_t(c)])) &
                        ((uint64_t(1) << bits) - 1),
                    bits);
        }
        out.PadToByte();
        out.Put(FlacCrc16(out.Bytes().data() + start, out.Bytes().size() - start), 16);
    }
    return std::string(out.Bytes().begin(), out.Bytes().end());
}
} // namespace orv::test

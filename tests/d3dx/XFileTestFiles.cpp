#include "XFileTestFiles.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

COrvXBinaryWriter::COrvXBinaryWriter(bool b64BitFloats) : m_b64BitFloats(b64BitFloats)
{
    m_sData = b64BitFloats ? "xof 0303bin 0064" : "xof 0303bin 0032";
}

void COrvXBinaryWriter::Bytes(const void* p, size_t uCount)
{
    m_sData.append(static_cast<const char*>(p), uCount);
}

COrvXBinaryWriter& COrvXBinaryWriter::Token(uint16_t wToken)
{
    Bytes(&wToken, 2);
    return *this;
}

COrvXBinaryWriter& COrvXBinaryWriter::Dword(uint32_t u)
{
    Bytes(&u, 4);
    return *this;
}

COrvXBinaryWriter& COrvXBinaryWriter::Name(const std::string& s)
{
    Token(1).Dword(uint32_t(s.size()));
    Bytes(s.data(), s.size());
    return *this;
}

COrvXBinaryWriter& COrvXBinaryWriter::String(const std::string& s)
{
    Token(2).Dword(uint32_t(s.size()));
    Bytes(s.data(), s.size());
    return Token(20).Token(0); // the terminator, as a 32-bit semicolon token
}

COrvXBinaryWriter& COrvXBinaryWriter::Ints(const std::vector<uint32_t>& values)
{
    Token(6).Dword(uint32_t(values.size()));
    for (uint32_t u : values)
        Dword(u);
    return *this;
}

COrvXBinaryWriter& COrvXBinaryWriter::Ints(std::initializer_list<uint32_t> values)
{
    return Ints(std::vector<uint32_t>(values));
}

COrvXBinaryWriter& COrvXBinaryWriter::Floats(const std::vector<double>& values)
{
    Token(7).Dword(uint32_t(values.size()));
    for (double d : values)
    {
        if (m_b64BitFloats)
            Bytes(&d, 8);
        else
        {
            float f = float(d);
            Bytes(&f, 4);
        }
    }
    return *this;
}

COrvXBinaryWriter& COrvXBinaryWriter::Floats(std::initializer_list<double> values)
{
    return Floats(std::vector<double>(values));
}

COrvXBinaryWriter& COrvXBinaryWriter::SampleTemplate(const std::string& sName)
{
    static const unsigned char s_aGuid[16] = {1, 2,  3,  4,  5,  6,  7,  8,
                                              9, 10, 11, 12, 13, 14, 15, 16};
    Token(31).Name(sName).Open().Token(5);
    Bytes(s_aGuid, 16);
    Token(41).Name("count").Token(20);            // DWORD count;
    Token(52).Token(42).Name("values").Token(14); // array FLOAT values[
    Name("count").Token(15).Token(20);            // count];
    return Close();
}

std::string OrvCompressXFile(const std::string& sHeader, const std::string& sBody,
                             size_t uBlockBytes)
{
    std::string sOut = sHeader;
    uint32_t uTotal = uint32_t(sHeader.size() + sBody.size());
    sOut.append(reinterpret_cast<const char*>(&uTotal), 4);
    for (size_t uPos = 0; uPos < sBody.size(); uPos += uBlockBytes)
    {
        size_t uBytes = std::min(uBlockBytes, sBody.size() - uPos);
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        size_t uHistory = std::min<size_t>(uPos, 32768);
        if (uHistory)
            deflateSetDictionary(&stream,
                                 reinterpret_cast<const Bytef*>(sBody.data() + uPos - uHistory),
                                 uInt(uHistory));
        std::string sPacked(deflateBound(&stream, uLong(uBytes)) + 16, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(sBody.data() + uPos));
        stream.avail_in = uInt(uBytes);
        stream.next_out = reinterpret_cast<Bytef*>(sPacked.data());
        stream.avail_out = uInt(sPacked.size());
        deflate(&stream, Z_FINISH);
        sPacked.resize(stream.total_out);
        deflateEnd(&stream);
        uint16_t awSizes[2] = {uint16_t(uBytes), uint16_t(sPacked.size() + 2)};
        sOut.append(reinterpret_cast<const char*>(awSizes), 4);
        sOut += "CK";
        sOut += sPacked;
    }
    return sOut;
}

#pragma once

// Writers of ".x" files for the loader's tests: binary files token by token, and the MSZIP
// compression of any body, the way exporters of the Direct3D 9 era wrote them.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class COrvXBinaryWriter
{
public:
    explicit COrvXBinaryWriter(bool b64BitFloats = false);

    COrvXBinaryWriter& Name(const std::string& s);
    COrvXBinaryWriter& String(const std::string& s);
    COrvXBinaryWriter& Ints(std::initializer_list<uint32_t> values);
    COrvXBinaryWriter& Ints(const std::vector<uint32_t>& values);
    COrvXBinaryWriter& Floats(std::initializer_list<double> values);
    COrvXBinaryWriter& Floats(const std::vector<double>& values);
    COrvXBinaryWriter& Open() { return Token(10); }
    COrvXBinaryWriter& Close() { return Token(11); }
    COrvXBinaryWriter& Token(uint16_t wToken);
    COrvXBinaryWriter& Dword(uint32_t u);
    // template Name { <guid> DWORD count; array FLOAT values[count]; }
    COrvXBinaryWriter& SampleTemplate(const std::string& sName);

    const std::string& GetData() const { return m_sData; }

private:
    void Bytes(const void* p, size_t uCount);
    bool m_b64BitFloats;
    std::string m_sData;
};

// The file with its 16-byte header ("xof 0303tzip0032", ...) and the body compressed in
// blocks of uBlockBytes, each able to refer back to the earlier ones.
std::string OrvCompressXFile(const std::string& sHeader, const std::string& sBody,
                             size_t uBlockBytes = 32768);

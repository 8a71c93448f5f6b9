#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The tokens of a ".x" file body, the same for the text and the binary encoding. A list
// token (binary files only) points at its packed values inside the file's bytes.
struct SOrvXToken
{
    enum EType
    {
        TOKEN_END,     // end of the data
        TOKEN_ERROR,   // malformed data; the lexer's error says what
        TOKEN_NAME,    // identifier: template or instance name, "template" in text files
        TOKEN_STRING,  // quoted text
        TOKEN_INTEGER, // one whole number
        TOKEN_FLOAT,   // one number with a fraction or an exponent
        TOKEN_INTEGER_LIST,
        TOKEN_FLOAT_LIST,
        TOKEN_GUID,
        TOKEN_OPEN,     // {
        TOKEN_CLOSE,    // }
        TOKEN_TEMPLATE, // the binary "template" keyword
        TOKEN_OTHER,    // punctuation and type keywords that only templates use
    };

    EType m_eType = TOKEN_END;
    std::string m_sText; // name, string, or the digits of a number in text files
    double m_dValue = 0.0;
    const unsigned char* m_pList = nullptr;
    uint32_t m_uListCount = 0;
    unsigned m_uListElementBytes = 0; // 4, or 8 for the floats of a 64-bit file
};

class COrvXLexer
{
public:
    virtual ~COrvXLexer() = default;
    virtual SOrvXToken Next() = 0;
    const std::string& GetError() const { return m_sError; }

protected:
    SOrvXToken Fail(const std::string& sError);
    std::string m_sError;
};

// Text bodies: identifiers, numbers, quoted strings, <GUID>s and braces; commas, semicolons
// and comments (// and #) separate tokens and are otherwise ignored.
class COrvXTextLexer final : public COrvXLexer
{
public:
    COrvXTextLexer(const unsigned char* pData, size_t uSize) : m_pData(pData), m_uSize(uSize) {}
    SOrvXToken Next() override;

private:
    void SkipBlanks();
    SOrvXToken ReadNumber();
    SOrvXToken ReadString();
    SOrvXToken ReadGuid();
    SOrvXToken ReadName();

    const unsigned char* m_pData;
    size_t m_uSize;
    size_t m_uPos = 0;
};

// Binary bodies: 16-bit little-endian token codes with their payloads.
class COrvXBinaryLexer final : public COrvXLexer
{
public:
    COrvXBinaryLexer(const unsigned char* pData, size_t uSize, bool b64BitFloats)
        : m_pData(pData), m_uSize(uSize), m_uFloatBytes(b64BitFloats ? 8 : 4)
    {
    }
    SOrvXToken Next() override;

private:
    bool ReadWord(uint16_t& w);
    bool ReadDword(uint32_t& u);
    bool ReadBytes(size_t uCount, const unsigned char*& p);
    SOrvXToken ReadList(SOrvXToken::EType eType, unsigned uElementBytes);
    SOrvXToken ReadText(SOrvXToken::EType eType);

    const unsigned char* m_pData;
    size_t m_uSize;
    size_t m_uPos = 0;
    unsigned m_uFloatBytes;
};

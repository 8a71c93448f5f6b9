#include "XFileTokens.h"

#include <charconv>
#include <cstring>

namespace
{
bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Binary token codes.
enum : uint16_t
{
    BIN_NAME = 1,
    BIN_STRING = 2,
    BIN_INTEGER = 3,
    BIN_GUID = 5,
    BIN_INTEGER_LIST = 6,
    BIN_FLOAT_LIST = 7,
    BIN_OPEN = 10,
    BIN_CLOSE = 11,
    BIN_COMMA = 19,
    BIN_SEMICOLON = 20,
    BIN_TEMPLATE = 31,
};
} // namespace

SOrvXToken COrvXLexer::Fail(const std::string& sError)
{
    m_sError = sError;
    SOrvXToken token;
    token.m_eType = SOrvXToken::TOKEN_ERROR;
    return token;
}

// ---- Text ------------------------------------------------------------------------------------

void COrvXTextLexer::SkipBlanks()
{
    while (m_uPos < m_uSize)
    {
        unsigned char c = m_pData[m_uPos];
        bool bComment =
            c == '#' || (c == '/' && m_uPos + 1 < m_uSize && m_pData[m_uPos + 1] == '/');
        if (bComment)
        {
            while (m_uPos < m_uSize && m_pData[m_uPos] != '\n')
                ++m_uPos;
        }
        else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';' ||
                 c == '\f' || c == '\v' || c == 0)
            ++m_uPos;
        else
            return;
    }
}

SOrvXToken COrvXTextLexer::Next()
{
    SkipBlanks();
    SOrvXToken token;
    if (m_uPos >= m_uSize)
        return token;
    unsigned char c = m_pData[m_uPos];
    if (c == '{' || c == '}')
    {
        ++m_uPos;
        token.m_eType = c == '{' ? SOrvXToken::TOKEN_OPEN : SOrvXToken::TOKEN_CLOSE;
        return token;
    }
    // Array brackets and the "[...]" of open templates: template syntax only.
    if (c == '[' || c == ']' || (c == '.' && m_uPos + 1 < m_uSize && m_pData[m_uPos + 1] == '.'))
    {
        while (++m_uPos < m_uSize && c == '.' && m_pData[m_uPos] == '.')
            ;
        token.m_eType = SOrvXToken::TOKEN_OTHER;
        return token;
    }
    if (c == '"')
        return ReadString();
    if (c == '<')
        return ReadGuid();
    if (IsDigit(c) || c == '-' || c == '+' || c == '.')
        return ReadNumber();
    if (IsNameStart(c))
        return ReadName();
    return Fail("unexpected character in the text");
}

SOrvXToken COrvXTextLexer::ReadNumber()
{
    size_t uStart = m_uPos;
    size_t uPos = m_uPos;
    if (m_pData[uPos] == '-' || m_pData[uPos] == '+')
        ++uPos;
    bool bFloat = false;
    size_t uDigits = 0;
    for (; uPos < m_uSize && IsDigit(m_pData[uPos]); ++uPos)
        ++uDigits;
    if (uPos < m_uSize && m_pData[uPos] == '.')
    {
        bFloat = true;
        for (++uPos; uPos < m_uSize && IsDigit(m_pData[uPos]); ++uPos)
            ++uDigits;
    }
    if (uDigits == 0)
        return Fail("a number without digits");
    if (uPos < m_uSize && (m_pData[uPos] == 'e' || m_pData[uPos] == 'E'))
    {
        size_t uExponent = uPos + 1;
        if (uExponent < m_uSize && (m_pData[uExponent] == '-' || m_pData[uExponent] == '+'))
            ++uExponent;
        if (uExponent >= m_uSize || !IsDigit(m_pData[uExponent]))
            return Fail("a number with a broken exponent");
        while (uExponent < m_uSize && IsDigit(m_pData[uExponent]))
            ++uExponent;
        uPos = uExponent;
        bFloat = true;
    }
    // Digits that run into letters are a name ("01_Arm"), which only an object may carry.
    if (uPos < m_uSize && IsNameChar(m_pData[uPos]) && IsDigit(m_pData[m_uPos]))
        return ReadName();
    if (uPos < m_uSize && (IsNameChar(m_pData[uPos]) || m_pData[uPos] == '#'))
        return Fail("a number followed by letters");
    const char* pBegin = reinterpret_cast<const char*>(m_pData + uStart);
    const char* pEnd = reinterpret_cast<const char*>(m_pData + uPos);
    SOrvXToken token;
    token.m_sText.assign(pBegin, pEnd);
    const char* pDigits = pBegin + (*pBegin == '+' ? 1 : 0);
    auto result = std::from_chars(pDigits, pEnd, token.m_dValue);
    if (result.ec != std::errc() || result.ptr != pEnd)
        return Fail("a number out of range");
    token.m_eType = bFloat ? SOrvXToken::TOKEN_FLOAT : SOrvXToken::TOKEN_INTEGER;
    m_uPos = uPos;
    return token;
}

SOrvXToken COrvXTextLexer::ReadString()
{
    const void* pQuote = std::memchr(m_pData + m_uPos + 1, '"', m_uSize - m_uPos - 1);
    if (!pQuote)
        return Fail("a string without its closing quote");
    size_t uEnd = size_t(static_cast<const unsigned char*>(pQuote) - m_pData);
    SOrvXToken token;
    token.m_eType = SOrvXToken::TOKEN_STRING;
    token.m_sText.assign(reinterpret_cast<const char*>(m_pData + m_uPos + 1), uEnd - m_uPos - 1);
    m_uPos = uEnd + 1;
    return token;
}

SOrvXToken COrvXTextLexer::ReadGuid()
{
    size_t uEnd = m_uPos + 1;
    while (uEnd < m_uSize && uEnd - m_uPos < 64 && m_pData[uEnd] != '>')
        ++uEnd;
    if (uEnd >= m_uSize || m_pData[uEnd] != '>')
        return Fail("a GUID without its closing bracket");
    SOrvXToken token;
    token.m_eType = SOrvXToken::TOKEN_GUID;
    token.m_sText.assign(reinterpret_cast<const char*>(m_pData + m_uPos + 1), uEnd - m_uPos - 1);
    m_uPos = uEnd + 1;
    return token;
}

SOrvXToken COrvXTextLexer::ReadName()
{
    size_t uEnd = m_uPos;
    while (uEnd < m_uSize && IsNameChar(m_pData[uEnd]))
        ++uEnd;
    SOrvXToken token;
    token.m_eType = SOrvXToken::TOKEN_NAME;
    token.m_sText.assign(reinterpret_cast<const char*>(m_pData + m_uPos), uEnd - m_uPos);
    m_uPos = uEnd;
    return token;
}

// ---- Binary ----------------------------------------------------------------------------------

bool COrvXBinaryLexer::ReadBytes(size_t uCount, const unsigned char*& p)
{
    if (uCount > m_uSize - m_uPos)
        return false;
    p = m_pData + m_uPos;
    m_uPos += uCount;
    return true;
}

bool COrvXBinaryLexer::ReadWord(uint16_t& w)
{
    const unsigned char* p = nullptr;
    if (!ReadBytes(2, p))
        return false;
    w = uint16_t(p[0] | (p[1] << 8));
    return true;
}

bool COrvXBinaryLexer::ReadDword(uint32_t& u)
{
    const unsigned char* p = nullptr;
    if (!ReadBytes(4, p))
        return false;
    u = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return true;
}

SOrvXToken COrvXBinaryLexer::ReadList(SOrvXToken::EType eType, unsigned uElementBytes)
{
    uint32_t uCount = 0;
    const unsigned char* p = nullptr;
    if (!ReadDword(uCount) || uCount > (m_uSize - m_uPos) / uElementBytes ||
        !ReadBytes(size_t(uCount) * uElementBytes, p))
        return Fail("a list longer than the file");
    SOrvXToken token;
    token.m_eType = eType;
    token.m_pList = p;
    token.m_uListCount = uCount;
    token.m_uListElementBytes = uElementBytes;
    return token;
}

// A name, or a string followed by its terminator (a comma or semicolon token, which some
// writers store in 32 bits).
SOrvXToken COrvXBinaryLexer::ReadText(SOrvXToken::EType eType)
{
    uint32_t uLength = 0;
    const unsigned char* p = nullptr;
    if (!ReadDword(uLength) || !ReadBytes(uLength, p))
        return Fail("a name or string longer than the file");
    SOrvXToken token;
    token.m_eType = eType;
    token.m_sText.assign(reinterpret_cast<const char*>(p), uLength);
    if (eType == SOrvXToken::TOKEN_STRING)
    {
        size_t uMark = m_uPos;
        uint16_t wTerminator = 0;
        if (ReadWord(wTerminator) && (wTerminator == BIN_COMMA || wTerminator == BIN_SEMICOLON))
        {
            uMark = m_uPos;
            uint16_t wHigh = 1;
            if (ReadWord(wHigh) && wHigh == 0)
                uMark = m_uPos;
        }
        m_uPos = uMark;
    }
    return token;
}

SOrvXToken COrvXBinaryLexer::Next()
{
    for (;;)
    {
        SOrvXToken token;
        if (m_uPos >= m_uSize)
            return token;
        uint16_t wCode = 0;
        if (!ReadWord(wCode))
            return Fail("a token cut short");
        const unsigned char* p = nullptr;
        switch (wCode)
        {
        case BIN_NAME:
            return ReadText(SOrvXToken::TOKEN_NAME);
        case BIN_STRING:
            return ReadText(SOrvXToken::TOKEN_STRING);
        case BIN_INTEGER:
        {
            uint32_t u = 0;
            if (!ReadDword(u))
                return Fail("an integer cut short");
            token.m_eType = SOrvXToken::TOKEN_INTEGER;
            token.m_dValue = double(u);
            return token;
        }
        case BIN_GUID:
            if (!ReadBytes(16, p))
                return Fail("a GUID cut short");
            token.m_eType = SOrvXToken::TOKEN_GUID;
            return token;
        case BIN_INTEGER_LIST:
            return ReadList(SOrvXToken::TOKEN_INTEGER_LIST, 4);
        case BIN_FLOAT_LIST:
            return ReadList(SOrvXToken::TOKEN_FLOAT_LIST, m_uFloatBytes);
        case BIN_OPEN:
        case BIN_CLOSE:
            token.m_eType = wCode == BIN_OPEN ? SOrvXToken::TOKEN_OPEN : SOrvXToken::TOKEN_CLOSE;
            return token;
        case BIN_COMMA:
        case BIN_SEMICOLON:
            continue;
        case BIN_TEMPLATE:
            token.m_eType = SOrvXToken::TOKEN_TEMPLATE;
            return token;
        default:
            // Punctuation (12 to 18) and the type keywords of templates (40 to 53).
            if ((wCode >= 12 && wCode <= 18) || (wCode >= 40 && wCode <= 53))
            {
                token.m_eType = SOrvXToken::TOKEN_OTHER;
                return token;
            }
            return Fail("an unknown binary token");
        }
    }
}

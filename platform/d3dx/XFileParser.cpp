#include "XFileParser.h"

#include "XFileInflate.h"

#include <cstring>

namespace
{
constexpr size_t s_uHeaderBytes = 16;

struct SHeader
{
    bool m_bBinary = false;
    bool m_bCompressed = false;
    bool m_b64BitFloats = false;
};

bool ReadHeader(const unsigned char* p, size_t uSize, SHeader& header, std::string& sError)
{
    if (uSize < s_uHeaderBytes || std::memcmp(p, "xof ", 4) != 0)
    {
        sError = "not a .x file";
        return false;
    }
    for (int i = 4; i < 8; ++i)
        if (p[i] < '0' || p[i] > '9')
        {
            sError = "a .x header without a version";
            return false;
        }
    std::string sFormat(reinterpret_cast<const char*>(p + 8), 4);
    std::string sFloats(reinterpret_cast<const char*>(p + 12), 4);
    header.m_bBinary = sFormat == "bin " || sFormat == "bzip";
    header.m_bCompressed = sFormat == "tzip" || sFormat == "bzip";
    if (!header.m_bBinary && sFormat != "txt " && sFormat != "tzip")
    {
        sError = "a .x file in an unknown format: " + sFormat;
        return false;
    }
    if (sFloats != "0032" && sFloats != "0064")
    {
        sError = "a .x file with floats of an unknown size";
        return false;
    }
    header.m_b64BitFloats = sFloats == "0064";
    return true;
}

float FloatAt(const unsigned char* p)
{
    uint32_t u =
        uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    float f = 0.0f;
    std::memcpy(&f, &u, 4);
    return f;
}

double DoubleAt(const unsigned char* p)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | p[i];
    double d = 0.0;
    std::memcpy(&d, &u, 8);
    return d;
}
} // namespace

bool COrvXFileParser::Parse(const void* pData, size_t uSize, std::vector<SOrvXObject>& objects,
                            std::string& sError)
{
    objects.clear();
    const auto* p = static_cast<const unsigned char*>(pData);
    SHeader header;
    if (!p || uSize > s_uMaxFileBytes || !ReadHeader(p, uSize, header, sError))
    {
        if (sError.empty())
            sError = p ? "the mesh file is too large" : "no data";
        return false;
    }
    std::vector<unsigned char> inflated;
    const unsigned char* pBody = p + s_uHeaderBytes;
    size_t uBodySize = uSize - s_uHeaderBytes;
    if (header.m_bCompressed)
    {
        if (!OrvInflateXFileBody(pBody, uBodySize, s_uMaxFileBytes, inflated, sError))
            return false;
        pBody = inflated.data();
        uBodySize = inflated.size();
    }
    COrvXTextLexer textLexer(pBody, uBodySize);
    COrvXBinaryLexer binaryLexer(pBody, uBodySize, header.m_b64BitFloats);
    COrvXFileParser parser(header.m_bBinary ? static_cast<COrvXLexer&>(binaryLexer) : textLexer);
    if (parser.ParseBody(objects))
        return true;
    objects.clear();
    sError = parser.m_sError;
    return false;
}

const SOrvXToken& COrvXFileParser::Peek(size_t uAhead)
{
    while (m_aLookahead.size() <= uAhead)
        m_aLookahead.push_back(m_lexer.Next());
    return m_aLookahead[uAhead];
}

SOrvXToken COrvXFileParser::Take()
{
    Peek();
    SOrvXToken token = std::move(m_aLookahead.front());
    m_aLookahead.erase(m_aLookahead.begin());
    return token;
}

bool COrvXFileParser::Fail(const std::string& sError)
{
    if (m_sError.empty())
        m_sError = sError;
    return false;
}

bool COrvXFileParser::ParseBody(std::vector<SOrvXObject>& objects)
{
    for (;;)
    {
        const SOrvXToken& token = Peek();
        switch (token.m_eType)
        {
        case SOrvXToken::TOKEN_END:
            return true;
        case SOrvXToken::TOKEN_ERROR:
            return Fail(m_lexer.GetError());
        case SOrvXToken::TOKEN_TEMPLATE:
            if (!SkipTemplate())
                return false;
            break;
        case SOrvXToken::TOKEN_NAME:
            if (token.m_sText == "template")
            {
                if (!SkipTemplate())
                    return false;
                break;
            }
            objects.emplace_back();
            if (!ParseObject(objects.back(), 1))
                return false;
            break;
        default:
            return Fail("data outside any object");
        }
    }
}

// template Name { <GUID> members [restrictions] }: only its braces matter here.
bool COrvXFileParser::SkipTemplate()
{
    Take();
    int iDepth = 0;
    for (;;)
    {
        SOrvXToken token = Take();
        if (token.m_eType == SOrvXToken::TOKEN_ERROR)
            return Fail(m_lexer.GetError());
        if (token.m_eType == SOrvXToken::TOKEN_END)
            return Fail("a template without its closing brace");
        if (token.m_eType == SOrvXToken::TOKEN_OPEN)
            ++iDepth;
        else if (token.m_eType == SOrvXToken::TOKEN_CLOSE && --iDepth <= 0)
            return iDepth == 0 || Fail("a template closed before it opened");
    }
}

// Type [name] { [<GUID>] members and nested objects }
bool COrvXFileParser::ParseObject(SOrvXObject& object, int iDepth)
{
    if (iDepth > s_iMaxDepth)
        return Fail("objects nested too deeply");
    object.m_sType = Take().m_sText;
    SOrvXToken::EType eNext = Peek().m_eType;
    // A name, or in text files a name made of digits.
    bool bNamed = eNext == SOrvXToken::TOKEN_NAME ||
                  ((eNext == SOrvXToken::TOKEN_INTEGER || eNext == SOrvXToken::TOKEN_FLOAT) &&
                   !Peek().m_sText.empty() && Peek(1).m_eType == SOrvXToken::TOKEN_OPEN);
    if (bNamed)
        object.m_sName = Take().m_sText;
    if (Peek().m_eType != SOrvXToken::TOKEN_OPEN)
        return Fail(Peek().m_eType == SOrvXToken::TOKEN_ERROR ? m_lexer.GetError()
                                                              : "an object without its brace");
    Take();
    if (Peek().m_eType == SOrvXToken::TOKEN_GUID)
        Take();
    for (bool bClosed = false; !bClosed;)
        if (!ParseMember(object, iDepth, bClosed))
            return false;
    return true;
}

bool COrvXFileParser::ParseMember(SOrvXObject& object, int iDepth, bool& bClosed)
{
    SOrvXToken::EType eType = Peek().m_eType;
    if (eType == SOrvXToken::TOKEN_NAME)
    {
        object.m_aChildren.emplace_back();
        return ParseObject(object.m_aChildren.back(), iDepth + 1);
    }
    if (eType == SOrvXToken::TOKEN_OPEN)
    {
        object.m_aChildren.emplace_back();
        return ParseReference(object.m_aChildren.back());
    }
    SOrvXToken token = Take();
    switch (eType)
    {
    case SOrvXToken::TOKEN_CLOSE:
        bClosed = true;
        return true;
    case SOrvXToken::TOKEN_INTEGER:
    case SOrvXToken::TOKEN_FLOAT:
        if (++m_uValues > s_uMaxValues)
            return Fail("the mesh file is too large: too many values");
        object.AddNumber(token.m_dValue, eType == SOrvXToken::TOKEN_INTEGER
                                             ? SOrvXObject::KIND_INTEGER
                                             : SOrvXObject::KIND_FLOAT);
        return true;
    case SOrvXToken::TOKEN_STRING:
        if (++m_uValues > s_uMaxValues)
            return Fail("the mesh file is too large: too many values");
        object.AddString(std::move(token.m_sText));
        return true;
    case SOrvXToken::TOKEN_INTEGER_LIST:
    case SOrvXToken::TOKEN_FLOAT_LIST:
        return AddList(object, token);
    case SOrvXToken::TOKEN_GUID:
        return true;
    case SOrvXToken::TOKEN_ERROR:
        return Fail(m_lexer.GetError());
    case SOrvXToken::TOKEN_END:
        return Fail("the file ends inside an object");
    default:
        return Fail("a template keyword inside an object");
    }
}

// { Name } or { <GUID> } or { Name <GUID> }
bool COrvXFileParser::ParseReference(SOrvXObject& reference)
{
    Take();
    reference.m_bReference = true;
    bool bSomething = false;
    if (Peek().m_eType == SOrvXToken::TOKEN_NAME)
    {
        reference.m_sName = Take().m_sText;
        bSomething = true;
    }
    if (Peek().m_eType == SOrvXToken::TOKEN_GUID)
    {
        Take();
        bSomething = true;
    }
    if (!bSomething || Peek().m_eType != SOrvXToken::TOKEN_CLOSE)
        return Fail(Peek().m_eType == SOrvXToken::TOKEN_ERROR ? m_lexer.GetError()
                                                              : "a broken reference");
    Take();
    return true;
}

bool COrvXFileParser::AddList(SOrvXObject& object, const SOrvXToken& token)
{
    if (token.m_uListCount > s_uMaxValues - m_uValues)
        return Fail("the mesh file is too large: too many values");
    m_uValues += token.m_uListCount;
    bool bFloats = token.m_eType == SOrvXToken::TOKEN_FLOAT_LIST;
    object.m_adValues.reserve(object.m_adValues.size() + token.m_uListCount);
    object.m_aeKinds.reserve(object.m_aeKinds.size() + token.m_uListCount);
    const unsigned char* p = token.m_pList;
    for (uint32_t i = 0; i < token.m_uListCount; ++i, p += token.m_uListElementBytes)
    {
        if (!bFloats)
            object.AddNumber(double(uint32_t(p[0]) | (uint32_t(p[1]) << 8) |
                                    (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24)),
                             SOrvXObject::KIND_INTEGER);
        else
            object.AddNumber(token.m_uListElementBytes == 8 ? DoubleAt(p) : double(FloatAt(p)),
                             SOrvXObject::KIND_FLOAT);
    }
    return true;
}

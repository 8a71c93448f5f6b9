#pragma once

#include "XFileData.h"
#include "XFileTokens.h"

#include <string>
#include <vector>

// Reads a whole ".x" file into its tree of data objects: the 16-byte header
// ("xof 0303txt 0032" and its binary, compressed and 64-bit float variants, with or without
// a line break after it), then the body. Templates are checked for balance and dropped.
// Nesting, names and the number of values are bounded, so that no file can exhaust the
// stack or the memory.
class COrvXFileParser
{
public:
    static constexpr size_t s_uMaxFileBytes = 256u << 20;
    static constexpr size_t s_uMaxValues = 32u << 20;
    static constexpr int s_iMaxDepth = 128;

    static bool Parse(const void* pData, size_t uSize, std::vector<SOrvXObject>& objects,
                      std::string& sError);

private:
    explicit COrvXFileParser(COrvXLexer& lexer) : m_lexer(lexer) {}

    bool ParseBody(std::vector<SOrvXObject>& objects);
    bool ParseObject(SOrvXObject& object, int iDepth);
    bool ParseMember(SOrvXObject& object, int iDepth, bool& bClosed);
    bool ParseReference(SOrvXObject& reference);
    bool AddList(SOrvXObject& object, const SOrvXToken& token);
    bool SkipTemplate();
    const SOrvXToken& Peek(size_t uAhead = 0);
    SOrvXToken Take();
    bool Fail(const std::string& sError);

    COrvXLexer& m_lexer;
    std::vector<SOrvXToken> m_aLookahead;
    size_t m_uValues = 0;
    std::string m_sError;
};

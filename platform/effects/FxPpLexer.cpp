#include "FxPpLexer.h"

#include <cstring>

namespace
{
// Character classes, without the locale lookups of <cctype>.
enum : uint8_t
{
    IDENT_START = 1,
    IDENT = 2,
    DIGIT = 4,
    SPACE = 8,
    PUNCT = 16,
};

struct SClasses
{
    uint8_t m_au[256] = {};
    SClasses()
    {
        for (int c = 'a'; c <= 'z'; ++c)
            m_au[c] = IDENT_START | IDENT, m_au[c - 'a' + 'A'] = IDENT_START | IDENT;
        m_au[uint8_t('_')] = IDENT_START | IDENT;
        for (int c = '0'; c <= '9'; ++c)
            m_au[c] = IDENT | DIGIT;
        for (char c : {' ', '\t', '\r', '\f', '\v'})
            m_au[uint8_t(c)] = SPACE;
        for (const char* p = "(){}[]<>;,.#+-*/%&|^!~?:="; *p; ++p)
            m_au[uint8_t(*p)] = PUNCT;
    }
    bool Is(char c, uint8_t uClass) const { return (m_au[uint8_t(c)] & uClass) != 0; }
};
const SClasses s_classes;

// Length of the punctuator at the start of s: <<= >>= ... ## << >> <= >= == != && || ++ -- +=
// -= *= /= %= &= |= ^= -> :: or one character.
size_t PunctLength(std::string_view s)
{
    char a = s[0], b = s.size() > 1 ? s[1] : '\0', c = s.size() > 2 ? s[2] : '\0';
    if ((a == '<' || a == '>') && b == a && c == '=')
        return 3;
    if (a == '.' && b == '.' && c == '.')
        return 3;
    switch (a)
    {
    case '#':
        return b == '#' ? 2 : 1;
    case '<':
    case '>':
        return b == a || b == '=' ? 2 : 1;
    case '&':
    case '|':
    case '+':
        return b == a || b == '=' ? 2 : 1;
    case '-':
        return b == '-' || b == '=' || b == '>' ? 2 : 1;
    case '=':
    case '!':
    case '*':
    case '/':
    case '%':
    case '^':
        return b == '=' ? 2 : 1;
    case ':':
        return b == ':' ? 2 : 1;
    default:
        return 1;
    }
}
} // namespace

// Backslash-newlines are removed once, up front; their places are kept to count lines.
COrvPpLexer::COrvPpLexer(std::string_view sText, uint32_t uFile, int iFirstLine)
    : m_sText(sText), m_iLine(iFirstLine), m_uFile(uFile)
{
    size_t uBackslash = sText.find('\\');
    while (uBackslash != std::string_view::npos)
    {
        size_t uNext = uBackslash + 1;
        if (uNext < sText.size() && sText[uNext] == '\r')
            ++uNext;
        if (uNext < sText.size() && sText[uNext] == '\n')
        {
            if (m_sSpliced.empty() && m_aSplices.empty())
                m_sSpliced.assign(sText.substr(0, uBackslash));
            else
                m_sSpliced.append(sText.substr(m_uCopied, uBackslash - m_uCopied));
            m_aSplices.push_back(m_sSpliced.size());
            m_uCopied = uNext + 1;
        }
        uBackslash = sText.find('\\', uBackslash + 1);
    }
    if (!m_aSplices.empty())
    {
        m_sSpliced.append(sText.substr(m_uCopied));
        m_sText = m_sSpliced;
    }
}

// Counts the lines joined by backslashes before the current position.
void COrvPpLexer::CountSplices()
{
    while (m_uSplice < m_aSplices.size() && m_aSplices[m_uSplice] <= m_uPos)
    {
        ++m_iLine;
        ++m_uSplice;
    }
}

// Skips blanks and comments up to the next token or the end of the logical line (not
// consumed); bNewLine tells which. False on an unterminated comment.
bool COrvPpLexer::SkipSpace(bool& bNewLine)
{
    bNewLine = false;
    const size_t uSize = m_sText.size();
    while (m_uPos < uSize)
    {
        char c = m_sText[m_uPos];
        if (c == '\n')
        {
            bNewLine = true;
            return true;
        }
        if (s_classes.Is(c, SPACE))
            ++m_uPos;
        else if (c == '/' && m_uPos + 1 < uSize && m_sText[m_uPos + 1] == '/')
        {
            size_t uEnd = m_sText.find('\n', m_uPos);
            m_uPos = uEnd == std::string_view::npos ? uSize : uEnd;
        }
        else if (c == '/' && m_uPos + 1 < uSize && m_sText[m_uPos + 1] == '*')
        {
            CountSplices();
            size_t uClose = m_sText.find("*/", m_uPos + 2);
            if (uClose == std::string_view::npos)
            {
                m_sError = "unterminated comment";
                m_iErrorLine = m_iLine;
                m_uPos = uSize;
                return false;
            }
            for (size_t i = m_uPos; i < uClose; ++i)
                m_iLine += m_sText[i] == '\n';
            m_uPos = uClose + 2;
        }
        else
            return true;
    }
    return true;
}

void COrvPpLexer::ReadToken(SOrvPpToken& token, bool bHeaderName)
{
    const size_t uSize = m_sText.size();
    CountSplices();
    token.m_uFile = m_uFile;
    token.m_iLine = m_iLine;
    token.m_bNoExpand = false;
    size_t uStart = m_uPos;
    char c = m_sText[m_uPos];
    if (s_classes.Is(c, IDENT_START))
    {
        token.m_eKind = EOrvPpToken::Identifier;
        while (m_uPos < uSize && s_classes.Is(m_sText[m_uPos], IDENT))
            ++m_uPos;
    }
    else if (s_classes.Is(c, DIGIT) ||
             (c == '.' && m_uPos + 1 < uSize && s_classes.Is(m_sText[m_uPos + 1], DIGIT)))
    {
        token.m_eKind = EOrvPpToken::Number;
        for (++m_uPos; m_uPos < uSize; ++m_uPos)
        {
            char d = m_sText[m_uPos];
            char cLast = m_sText[m_uPos - 1];
            bool bSign = (d == '+' || d == '-') &&
                         (cLast == 'e' || cLast == 'E' || cLast == 'p' || cLast == 'P');
            if (!(s_classes.Is(d, IDENT) || d == '.' || bSign))
                break;
        }
    }
    else if (c == '"' || c == '\'' || (c == '<' && bHeaderName))
    {
        token.m_eKind = c == '"'   ? EOrvPpToken::String
                        : c == '<' ? EOrvPpToken::HeaderName
                                   : EOrvPpToken::Char;
        char cClose = c == '<' ? '>' : c;
        for (++m_uPos; m_uPos < uSize && m_sText[m_uPos] != '\n'; ++m_uPos)
        {
            char d = m_sText[m_uPos];
            if (d == '\\' && cClose != '>' && m_uPos + 1 < uSize && m_sText[m_uPos + 1] != '\n')
                ++m_uPos;
            else if (d == cClose)
            {
                ++m_uPos;
                break;
            }
        }
    }
    else
    {
        token.m_eKind = s_classes.Is(c, PUNCT) ? EOrvPpToken::Punct : EOrvPpToken::Other;
        m_uPos += token.m_eKind == EOrvPpToken::Punct ? PunctLength(m_sText.substr(m_uPos, 3)) : 1;
    }
    token.m_sText.assign(m_sText.data() + uStart, m_uPos - uStart);
}

bool COrvPpLexer::NextLine(std::vector<SOrvPpToken>& tokens)
{
    tokens.clear();
    if (m_uPos >= m_sText.size() || HasError())
        return false;
    for (;;)
    {
        bool bNewLine = false;
        size_t uBefore = m_uPos;
        if (!SkipSpace(bNewLine))
            return false;
        if (bNewLine)
        {
            CountSplices();
            ++m_uPos;
            ++m_iLine;
            return true;
        }
        if (m_uPos >= m_sText.size())
            return true;
        // <name> is a header name only right after "# include".
        bool bHeaderName = tokens.size() == 2 && tokens[0].Is("#") &&
                           tokens[1].m_eKind == EOrvPpToken::Identifier &&
                           (tokens[1].m_sText == "include" || tokens[1].m_sText == "import");
        tokens.emplace_back();
        tokens.back().m_bSpace = m_uPos != uBefore;
        ReadToken(tokens.back(), bHeaderName);
    }
}

bool COrvPpLexer::NextPlainLine(std::string* pOut, int& iLine,
                                const std::function<bool(std::string_view)>& isMacro)
{
    const size_t uSize = m_sText.size();
    if (m_uPos >= uSize || HasError())
        return false;
    const size_t uStartPos = m_uPos, uStartSplice = m_uSplice;
    const int iStartLine = m_iLine;
    auto giveUp = [&]
    {
        m_uPos = uStartPos;
        m_uSplice = uStartSplice;
        m_iLine = iStartLine;
        return false;
    };
    CountSplices();
    iLine = m_iLine;
    bool bFirst = true;
    bool bBlockComment = false;
    size_t uTextEnd = SIZE_MAX; // where a // comment starts
    while (m_uPos < uSize && m_sText[m_uPos] != '\n')
    {
        char c = m_sText[m_uPos];
        if (c == '/' && m_uPos + 1 < uSize && m_sText[m_uPos + 1] == '/')
        {
            uTextEnd = m_uPos;
            size_t uEnd = m_sText.find('\n', m_uPos);
            m_uPos = uEnd == std::string_view::npos ? uSize : uEnd;
            break;
        }
        if (c == '/' && m_uPos + 1 < uSize && m_sText[m_uPos + 1] == '*')
        {
            size_t uClose = m_sText.find("*/", m_uPos + 2);
            if (uClose == std::string_view::npos)
                return giveUp(); // NextLine reports it
            bBlockComment = true;
            m_uPos = uClose + 2;
            continue;
        }
        size_t uStart = m_uPos;
        if (s_classes.Is(c, SPACE))
            ++m_uPos;
        else if (bFirst && c == '#')
            return giveUp();
        else if (s_classes.Is(c, IDENT_START))
        {
            while (m_uPos < uSize && s_classes.Is(m_sText[m_uPos], IDENT))
                ++m_uPos;
            std::string_view sName = m_sText.substr(uStart, m_uPos - uStart);
            if (isMacro(sName) || sName == "__LINE__" || sName == "__FILE__")
                return giveUp();
        }
        else if (s_classes.Is(c, DIGIT) || c == '"' || c == '\'')
        {
            SOrvPpToken token; // numbers and strings, whose insides are no names
            ReadToken(token, false);
        }
        else
            ++m_uPos;
        bFirst = bFirst && s_classes.Is(c, SPACE);
    }
    if (pOut)
    {
        size_t uEnd = std::min(uTextEnd, m_uPos);
        if (!bBlockComment)
            pOut->append(m_sText.data() + uStartPos, uEnd - uStartPos);
        else
            AppendWithoutComments(*pOut, uStartPos, uEnd);
    }
    for (size_t i = uStartPos; bBlockComment && i < m_uPos; ++i)
        m_iLine += m_sText[i] == '\n';
    if (m_uPos < uSize)
    {
        CountSplices();
        ++m_uPos;
        ++m_iLine;
    }
    return true;
}

// Text of [uBegin, uEnd) with its block comments as one space each, their line breaks kept.
void COrvPpLexer::AppendWithoutComments(std::string& sOut, size_t uBegin, size_t uEnd) const
{
    size_t i = uBegin;
    while (i < uEnd)
    {
        char c = m_sText[i];
        if (c == '"' || c == '\'')
        {
            size_t j = i + 1;
            while (j < uEnd && m_sText[j] != c)
                j += m_sText[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, uEnd);
            sOut.append(m_sText.data() + i, j - i);
            i = j;
        }
        else if (c == '/' && i + 1 < uEnd && m_sText[i + 1] == '*')
        {
            size_t uClose = m_sText.find("*/", i + 2);
            sOut += ' ';
            for (size_t k = i; k < uClose; ++k)
                if (m_sText[k] == '\n')
                    sOut += '\n';
            i = uClose + 2;
        }
        else
            sOut += m_sText[i++];
    }
}

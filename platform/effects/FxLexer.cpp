#include "FxLexer.h"

#include <cctype>

namespace
{
bool IsIdentStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

const char* const s_aTwoCharPuncts[] = {"&&", "||", "==", "!=", "<=", ">=", "++",
                                        "--", "+=", "-=", "*=", "/=", "::"};
} // namespace

bool COrvFxLexer::Tokenize(std::string_view sSource, std::vector<SOrvFxToken>& tokens,
                           std::string& sError, int& iErrorLine)
{
    m_sSource = sSource;
    m_uPos = 0;
    m_iLine = 1;
    m_bError = false;
    tokens.clear();
    for (;;)
    {
        SkipSpaceAndComments();
        SOrvFxToken token;
        if (m_bError || !ReadToken(token))
        {
            if (m_bError)
            {
                sError = m_sError;
                iErrorLine = m_iErrorLine;
                return false;
            }
            token.m_eKind = EOrvFxToken::End;
            token.m_uBegin = token.m_uEnd = m_sSource.size();
            token.m_iLine = m_iLine;
            tokens.push_back(token);
            return true;
        }
        tokens.push_back(std::move(token));
    }
}

void COrvFxLexer::SkipSpaceAndComments()
{
    while (m_uPos < m_sSource.size())
    {
        char c = m_sSource[m_uPos];
        if (c == '\n')
        {
            ++m_iLine;
            ++m_uPos;
        }
        else if (std::isspace(static_cast<unsigned char>(c)))
            ++m_uPos;
        else if (m_sSource.compare(m_uPos, 2, "//") == 0)
        {
            while (m_uPos < m_sSource.size() && m_sSource[m_uPos] != '\n')
                ++m_uPos;
        }
        else if (m_sSource.compare(m_uPos, 2, "/*") == 0)
        {
            size_t uClose = m_sSource.find("*/", m_uPos + 2);
            if (uClose == std::string_view::npos)
            {
                m_bError = true;
                m_sError = "unterminated comment";
                m_iErrorLine = m_iLine;
                return;
            }
            for (size_t i = m_uPos; i < uClose; ++i)
                m_iLine += m_sSource[i] == '\n';
            m_uPos = uClose + 2;
        }
        else
            return;
    }
}

bool COrvFxLexer::ReadToken(SOrvFxToken& token)
{
    if (m_uPos >= m_sSource.size())
        return false;
    token.m_uBegin = m_uPos;
    token.m_iLine = m_iLine;
    char c = m_sSource[m_uPos];
    if (c == '#')
    {
        // A preprocessor line, with its backslash continuations.
        token.m_eKind = EOrvFxToken::Directive;
        while (m_uPos < m_sSource.size() && m_sSource[m_uPos] != '\n')
        {
            if (m_sSource[m_uPos] == '\\' && m_uPos + 1 < m_sSource.size() &&
                m_sSource[m_uPos + 1] == '\n')
            {
                ++m_iLine;
                ++m_uPos;
            }
            ++m_uPos;
        }
    }
    else if (IsIdentStart(c))
    {
        token.m_eKind = EOrvFxToken::Identifier;
        while (m_uPos < m_sSource.size() && IsIdentChar(m_sSource[m_uPos]))
            ++m_uPos;
    }
    else if (IsDigit(c) ||
             (c == '.' && m_uPos + 1 < m_sSource.size() && IsDigit(m_sSource[m_uPos + 1])))
    {
        token.m_eKind = EOrvFxToken::Number;
        bool bHex =
            m_sSource.compare(m_uPos, 2, "0x") == 0 || m_sSource.compare(m_uPos, 2, "0X") == 0;
        if (bHex)
            m_uPos += 2;
        while (m_uPos < m_sSource.size())
        {
            char d = m_sSource[m_uPos];
            bool bExponentSign = (d == '+' || d == '-') && !bHex &&
                                 (m_sSource[m_uPos - 1] == 'e' || m_sSource[m_uPos - 1] == 'E');
            if (!(IsIdentChar(d) || d == '.' || bExponentSign))
                break;
            ++m_uPos;
        }
    }
    else if (c == '"')
    {
        token.m_eKind = EOrvFxToken::String;
        ++m_uPos;
        std::string sText;
        while (m_uPos < m_sSource.size() && m_sSource[m_uPos] != '"' && m_sSource[m_uPos] != '\n')
        {
            if (m_sSource[m_uPos] == '\\' && m_uPos + 1 < m_sSource.size())
                ++m_uPos;
            sText += m_sSource[m_uPos++];
        }
        if (m_uPos >= m_sSource.size() || m_sSource[m_uPos] != '"')
        {
            m_bError = true;
            m_sError = "unterminated string";
            m_iErrorLine = m_iLine;
            return false;
        }
        ++m_uPos;
        token.m_uEnd = m_uPos;
        token.m_sText = std::move(sText);
        return true;
    }
    else
    {
        token.m_eKind = EOrvFxToken::Punct;
        size_t uLength = 1;
        for (const char* pTwo : s_aTwoCharPuncts)
        {
            if (m_sSource.compare(m_uPos, 2, pTwo) == 0)
                uLength = 2;
        }
        m_uPos += uLength;
    }
    token.m_uEnd = m_uPos;
    token.m_sText = std::string(m_sSource.substr(token.m_uBegin, m_uPos - token.m_uBegin));
    return true;
}

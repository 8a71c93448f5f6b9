#include "FxEntryWrapper.h"

#include "FxLexer.h"

#include <cctype>

#include <vector>

namespace
{
struct SParameter
{
    std::string m_sText; // as written, for the wrapper's own list
    std::string m_sName;
    bool m_bUniform = false;
};

bool IsPunct(const SOrvFxToken& token, const char* p)
{
    return token.m_eKind == EOrvFxToken::Punct && token.m_sText == p;
}

// Index of the token closing the group opened at uOpen, or the token count.
size_t CloseOf(const std::vector<SOrvFxToken>& tokens, size_t uOpen)
{
    int iDepth = 0;
    for (size_t i = uOpen; i < tokens.size(); ++i)
    {
        if (IsPunct(tokens[i], "(") || IsPunct(tokens[i], "{") || IsPunct(tokens[i], "["))
            ++iDepth;
        else if (IsPunct(tokens[i], ")") || IsPunct(tokens[i], "}") || IsPunct(tokens[i], "]"))
            if (--iDepth == 0)
                return i;
    }
    return tokens.size();
}

SParameter ReadParameter(const std::string& sSource, const std::vector<SOrvFxToken>& tokens,
                         size_t uBegin, size_t uEnd)
{
    SParameter parameter;
    parameter.m_sText =
        sSource.substr(tokens[uBegin].m_uBegin, tokens[uEnd - 1].m_uEnd - tokens[uBegin].m_uBegin);
    for (size_t i = uBegin; i < uEnd; ++i)
    {
        if (tokens[i].m_sText == "uniform")
            parameter.m_bUniform = true;
        if (IsPunct(tokens[i], ":") || IsPunct(tokens[i], "=") || IsPunct(tokens[i], "["))
            break;
        if (tokens[i].m_eKind == EOrvFxToken::Identifier)
            parameter.m_sName = tokens[i].m_sText;
    }
    return parameter;
}
} // namespace

bool OrvFxWrapEntry(std::string& sSource, const SOrvFxShader& shader, std::string& sEntry,
                    std::string& sError)
{
    std::vector<SOrvFxToken> tokens;
    int iLine = 0;
    COrvFxLexer lexer;
    if (!lexer.Tokenize(sSource, tokens, sError, iLine))
        return false;
    int iDepth = 0;
    for (size_t i = 1; i + 1 < tokens.size(); ++i)
    {
        iDepth += IsPunct(tokens[i], "{") ? 1 : IsPunct(tokens[i], "}") ? -1 : 0;
        if (iDepth != 0 || tokens[i].m_sText != shader.m_sEntry || !IsPunct(tokens[i + 1], "(") ||
            tokens[i - 1].m_eKind != EOrvFxToken::Identifier)
            continue;
        size_t uClose = CloseOf(tokens, i + 1);
        size_t uBody = uClose + 1;
        std::string sSemantic;
        while (uBody < tokens.size() && !IsPunct(tokens[uBody], "{") &&
               !IsPunct(tokens[uBody], ";"))
            sSemantic += tokens[uBody++].m_sText;
        if (uBody >= tokens.size() || !IsPunct(tokens[uBody], "{"))
            continue; // a declaration, not the definition
        std::vector<SParameter> parameters;
        for (size_t uStart = i + 2, p = uStart; p <= uClose; ++p)
        {
            bool bGroup =
                IsPunct(tokens[p], "(") || IsPunct(tokens[p], "[") || IsPunct(tokens[p], "{");
            if (bGroup)
                p = CloseOf(tokens, p);
            else if ((IsPunct(tokens[p], ",") || p == uClose) && p > uStart)
            {
                parameters.push_back(ReadParameter(sSource, tokens, uStart, p));
                uStart = p + 1;
            }
        }
        std::string sOwn, sCall;
        size_t uArgument = 0;
        for (const SParameter& parameter : parameters)
        {
            std::string sValue = parameter.m_sName;
            if (parameter.m_bUniform)
            {
                if (uArgument >= shader.m_asArguments.size())
                    break;
                sValue = "(" + shader.m_asArguments[uArgument++] + ")";
            }
            else
                sOwn += (sOwn.empty() ? "" : ", ") + parameter.m_sText;
            sCall += (sCall.empty() ? "" : ", ") + sValue;
        }
        if (uArgument != shader.m_asArguments.size())
        {
            sError = "'" + shader.m_sEntry + "' takes " + std::to_string(uArgument) +
                     " uniform arguments, 'compile' gives " +
                     std::to_string(shader.m_asArguments.size());
            return false;
        }
        const std::string& sReturn = tokens[i - 1].m_sText;
        sEntry = "orv_entry_" + shader.m_sEntry;
        for (const std::string& sArgument : shader.m_asArguments)
            for (char c : sArgument)
                sEntry += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        sSource += "\n" + sReturn + " " + sEntry + "(" + sOwn + ")" + sSemantic + "\n{\n    " +
                   (sReturn == "void" ? "" : "return ") + shader.m_sEntry + "(" + sCall + ");\n}\n";
        return true;
    }
    sError = "entry point '" + shader.m_sEntry + "' is not defined";
    return false;
}

#include "FxMacros.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace
{
bool IsParamOf(const std::vector<std::string>& asParams, const SOrvPpToken& token, size_t& uIndex)
{
    if (token.m_eKind != EOrvPpToken::Identifier)
        return false;
    for (uIndex = 0; uIndex < asParams.size(); ++uIndex)
        if (asParams[uIndex] == token.m_sText)
            return true;
    return false;
}

void Deactivate(std::vector<std::string>& active, const std::string& sName)
{
    for (size_t i = active.size(); i > 0; --i)
        if (active[i - 1] == sName)
        {
            active.erase(active.begin() + std::ptrdiff_t(i - 1));
            return;
        }
}

// #if arithmetic on 64-bit integers; names left after expansion count as 0.
class CConditionEvaluator
{
public:
    CConditionEvaluator(const std::vector<SOrvPpToken>& tokens, std::string& sError)
        : m_tokens(tokens), m_sError(sError)
    {
    }

    bool Run(int64_t& iValue)
    {
        if (!Conditional(iValue, true))
            return false;
        if (m_uPos != m_tokens.size())
            return Fail("unexpected '" + m_tokens[m_uPos].m_sText + "' in the condition");
        return true;
    }

private:
    bool Fail(const std::string& sMessage)
    {
        if (m_sError.empty())
            m_sError = sMessage;
        return false;
    }
    bool Is(const char* p) const { return m_uPos < m_tokens.size() && m_tokens[m_uPos].Is(p); }

    bool Conditional(int64_t& iValue, bool bEval)
    {
        if (++m_iDepth > 200)
            return Fail("condition nested too deeply");
        if (!Binary(iValue, 0, bEval))
            return false;
        if (Is("?"))
        {
            ++m_uPos;
            int64_t a = 0, b = 0;
            if (!Conditional(a, bEval && iValue != 0))
                return false;
            if (!Is(":"))
                return Fail("':' expected in the condition");
            ++m_uPos;
            if (!Conditional(b, bEval && iValue == 0))
                return false;
            iValue = iValue != 0 ? a : b;
        }
        --m_iDepth;
        return true;
    }

    bool Binary(int64_t& iValue, int iLevel, bool bEval)
    {
        static const char* const s_aapLevels[][4] = {{"||"},
                                                     {"&&"},
                                                     {"|"},
                                                     {"^"},
                                                     {"&"},
                                                     {"==", "!="},
                                                     {"<", ">", "<=", ">="},
                                                     {"<<", ">>"},
                                                     {"+", "-"},
                                                     {"*", "/", "%"}};
        if (iLevel == 10)
            return Unary(iValue, bEval);
        if (!Binary(iValue, iLevel + 1, bEval))
            return false;
        for (;;)
        {
            const char* pOp = nullptr;
            for (const char* p : s_aapLevels[iLevel])
                if (p && Is(p))
                    pOp = p;
            if (!pOp)
                return true;
            ++m_uPos;
            std::string sOp = pOp;
            bool bRightEval =
                bEval && !(sOp == "&&" && iValue == 0) && !(sOp == "||" && iValue != 0);
            int64_t r = 0;
            if (!Binary(r, iLevel + 1, bRightEval))
                return false;
            if (!Apply(sOp, iValue, r, bRightEval))
                return false;
        }
    }

    bool Apply(const std::string& sOp, int64_t& a, int64_t b, bool bEval)
    {
        auto ua = uint64_t(a), ub = uint64_t(b);
        if ((sOp == "/" || sOp == "%") && b == 0)
        {
            if (bEval)
                return Fail("division by zero in the condition");
            a = 0;
            return true;
        }
        if (sOp == "||")
            a = a != 0 || b != 0;
        else if (sOp == "&&")
            a = a != 0 && b != 0;
        else if (sOp == "|")
            a = int64_t(ua | ub);
        else if (sOp == "^")
            a = int64_t(ua ^ ub);
        else if (sOp == "&")
            a = int64_t(ua & ub);
        else if (sOp == "==")
            a = a == b;
        else if (sOp == "!=")
            a = a != b;
        else if (sOp == "<")
            a = a < b;
        else if (sOp == ">")
            a = a > b;
        else if (sOp == "<=")
            a = a <= b;
        else if (sOp == ">=")
            a = a >= b;
        else if (sOp == "<<")
            a = int64_t(ua << (ub & 63));
        else if (sOp == ">>")
            a = a >> (ub & 63);
        else if (sOp == "+")
            a = int64_t(ua + ub);
        else if (sOp == "-")
            a = int64_t(ua - ub);
        else if (sOp == "*")
            a = int64_t(ua * ub);
        else if (sOp == "/")
            a = (a == INT64_MIN && b == -1) ? a : a / b;
        else
            a = (a == INT64_MIN && b == -1) ? 0 : a % b;
        return true;
    }

    bool Unary(int64_t& iValue, bool bEval)
    {
        if (Is("-") || Is("+") || Is("!") || Is("~"))
        {
            char cOp = m_tokens[m_uPos++].m_sText[0];
            if (++m_iDepth > 200)
                return Fail("condition nested too deeply");
            if (!Unary(iValue, bEval))
                return false;
            --m_iDepth;
            iValue = cOp == '-'   ? int64_t(0 - uint64_t(iValue))
                     : cOp == '!' ? int64_t(iValue == 0)
                     : cOp == '~' ? ~iValue
                                  : iValue;
            return true;
        }
        return Primary(iValue, bEval);
    }

    bool Primary(int64_t& iValue, bool bEval)
    {
        if (m_uPos >= m_tokens.size())
            return Fail("the condition ends too early");
        const SOrvPpToken& token = m_tokens[m_uPos++];
        if (token.Is("("))
        {
            if (!Conditional(iValue, bEval))
                return false;
            if (!Is(")"))
                return Fail("')' expected in the condition");
            ++m_uPos;
            return true;
        }
        if (token.m_eKind == EOrvPpToken::Identifier)
        {
            iValue = token.m_sText == "true";
            return true;
        }
        if (token.m_eKind == EOrvPpToken::Char)
        {
            iValue = token.m_sText.size() >= 3 ? static_cast<unsigned char>(token.m_sText[1]) : 0;
            return true;
        }
        if (token.m_eKind != EOrvPpToken::Number)
            return Fail("'" + token.m_sText + "' cannot be in a condition");
        return Number(token.m_sText, iValue);
    }

    bool Number(std::string s, int64_t& iValue)
    {
        while (!s.empty() && std::strchr("uUlL", s.back()))
            s.pop_back();
        int iBase = 10;
        size_t uStart = 0;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
            iBase = 16, uStart = 2;
        else if (s.size() > 1 && s[0] == '0')
            iBase = 8, uStart = 1;
        uint64_t uValue = 0;
        auto result = std::from_chars(s.data() + uStart, s.data() + s.size(), uValue, iBase);
        if (result.ec != std::errc() || result.ptr != s.data() + s.size())
            return Fail("'" + s + "' is no integer: conditions take integers only");
        iValue = int64_t(uValue);
        return true;
    }

    const std::vector<SOrvPpToken>& m_tokens;
    std::string& m_sError;
    size_t m_uPos = 0;
    int m_iDepth = 0;
};
} // namespace

SOrvPpToken OrvPpPaste(const SOrvPpToken& left, const SOrvPpToken& right)
{
    SOrvPpToken pasted = left;
    pasted.m_sText = left.m_sText + right.m_sText;
    pasted.m_bNoExpand = false;
    COrvPpLexer lexer(pasted.m_sText, left.m_uFile, left.m_iLine);
    std::vector<SOrvPpToken> tokens;
    lexer.NextLine(tokens);
    pasted.m_eKind = tokens.size() == 1 && tokens[0].m_sText == pasted.m_sText ? tokens[0].m_eKind
                                                                               : EOrvPpToken::Other;
    return pasted;
}

SOrvPpToken OrvPpStringize(const std::vector<SOrvPpToken>& tokens, const SOrvPpToken& where)
{
    SOrvPpToken string = where;
    string.m_eKind = EOrvPpToken::String;
    string.m_bNoExpand = false;
    string.m_sText = std::string(1, '"'); // a literal assigned here misleads GCC 12 (-Wrestrict)
    for (size_t i = 0; i < tokens.size(); ++i)
    {
        if (tokens[i].m_eKind == EOrvPpToken::Placemarker)
            continue;
        if (i > 0 && tokens[i].m_bSpace)
            string.m_sText += ' ';
        bool bQuoted =
            tokens[i].m_eKind == EOrvPpToken::String || tokens[i].m_eKind == EOrvPpToken::Char;
        for (char c : tokens[i].m_sText)
        {
            if (bQuoted && (c == '"' || c == '\\'))
                string.m_sText += '\\';
            string.m_sText += c;
        }
    }
    string.m_sText += '"';
    return string;
}

bool COrvFxMacros::Define(const std::vector<SOrvPpToken>& line, size_t uStart, std::string& sError)
{
    if (uStart >= line.size() || line[uStart].m_eKind != EOrvPpToken::Identifier)
    {
        sError = "#define needs a macro name";
        return false;
    }
    const std::string& sName = line[uStart].m_sText;
    if (sName == "defined")
    {
        sError = "'defined' cannot be a macro";
        return false;
    }
    SMacro macro;
    size_t i = uStart + 1;
    // A parameter list only when '(' touches the name.
    if (i < line.size() && line[i].Is("(") && !line[i].m_bSpace)
    {
        macro.m_bFunction = true;
        ++i;
        while (i < line.size() && !line[i].Is(")"))
        {
            if (line[i].Is("..."))
            {
                macro.m_bVariadic = true;
                macro.m_asParams.push_back("__VA_ARGS__");
            }
            else if (line[i].m_eKind != EOrvPpToken::Identifier || macro.m_bVariadic)
            {
                sError = "bad parameter list of macro '" + sName + "'";
                return false;
            }
            else
                macro.m_asParams.push_back(line[i].m_sText);
            ++i;
            if (i < line.size() && line[i].Is(","))
                ++i;
            else if (i >= line.size() || !line[i].Is(")"))
            {
                sError = "bad parameter list of macro '" + sName + "'";
                return false;
            }
        }
        if (i >= line.size())
        {
            sError = "bad parameter list of macro '" + sName + "'";
            return false;
        }
        ++i;
    }
    macro.m_aBody.assign(line.begin() + std::ptrdiff_t(i), line.end());
    if (!macro.m_aBody.empty())
        macro.m_aBody[0].m_bSpace = false;
    m_macros[sName] = std::move(macro);
    return true;
}

bool COrvFxMacros::Special(SOrvPpToken& token) const
{
    if (token.m_sText == "__LINE__")
    {
        token.m_eKind = EOrvPpToken::Number;
        token.m_sText = std::to_string(token.m_iLine);
        return true;
    }
    if (token.m_sText == "__FILE__")
    {
        std::string sName =
            token.m_uFile < m_asFileNames.size() ? m_asFileNames[token.m_uFile] : "";
        token.m_eKind = EOrvPpToken::String;
        token.m_sText = "\"";
        for (char c : sName)
            token.m_sText += c == '\\' ? std::string("\\\\") : std::string(1, c);
        token.m_sText += '"';
        return true;
    }
    return false;
}

bool COrvFxMacros::Grow(size_t uCount, std::string& sError)
{
    m_uProduced += uCount;
    if (m_uProduced <= s_uMaxTokens)
        return true;
    sError = "macro expansion too large";
    return false;
}

bool COrvFxMacros::Expand(std::vector<SOrvPpToken>& tokens, std::string& sError)
{
    m_uProduced = 0;
    std::vector<std::string> active;
    return ExpandWith(tokens, active, 0, sError);
}

bool COrvFxMacros::ExpandWith(CTokens& tokens, std::vector<std::string>& active, int iDepth,
                              std::string& sError)
{
    if (iDepth > s_iMaxDepth)
    {
        sError = "macro arguments nested too deeply";
        return false;
    }
    // The input as a stack, next token last, so that a replacement goes back in front of it
    // to be scanned again.
    CTokens input(std::make_move_iterator(tokens.rbegin()), std::make_move_iterator(tokens.rend()));
    CTokens output;
    output.reserve(input.size());
    while (!input.empty())
    {
        SOrvPpToken token = std::move(input.back());
        input.pop_back();
        if (token.m_eKind == EOrvPpToken::EndOfMacro)
        {
            Deactivate(active, token.m_sText);
            continue;
        }
        if (token.m_eKind != EOrvPpToken::Identifier || token.m_bNoExpand || Special(token))
        {
            output.push_back(std::move(token));
            continue;
        }
        auto it = m_macros.find(token.m_sText);
        if (it == m_macros.end())
        {
            output.push_back(std::move(token));
            continue;
        }
        if (std::find(active.begin(), active.end(), token.m_sText) != active.end())
        {
            token.m_bNoExpand = true; // named inside its own expansion: never again
            output.push_back(std::move(token));
            continue;
        }
        const SMacro& macro = it->second;
        std::vector<CTokens> args;
        if (macro.m_bFunction)
        {
            // A function-like macro's name without '(' is an ordinary name.
            size_t uNext = input.size();
            while (uNext > 0 && input[uNext - 1].m_eKind == EOrvPpToken::EndOfMacro)
                --uNext;
            if (uNext == 0 || !input[uNext - 1].Is("("))
            {
                output.push_back(std::move(token));
                continue;
            }
            if (!CollectArguments(input, active, macro, token, args, sError))
                return false;
        }
        CTokens replacement;
        if (!Substitute(macro, args, active, iDepth, replacement, sError) ||
            !Grow(replacement.size(), sError))
            return false;
        for (SOrvPpToken& produced : replacement)
        {
            produced.m_uFile = token.m_uFile;
            produced.m_iLine = token.m_iLine;
        }
        if (!replacement.empty())
            replacement[0].m_bSpace = token.m_bSpace;
        active.push_back(token.m_sText);
        token.m_eKind = EOrvPpToken::EndOfMacro;
        input.push_back(std::move(token));
        input.reserve(input.size() + replacement.size());
        input.insert(input.end(), std::make_move_iterator(replacement.rbegin()),
                     std::make_move_iterator(replacement.rend()));
    }
    tokens = std::move(output);
    return true;
}

// The arguments of a call, from the '(' at the top of the input to its ')'.
bool COrvFxMacros::CollectArguments(CTokens& input, std::vector<std::string>& active,
                                    const SMacro& macro, const SOrvPpToken& name,
                                    std::vector<CTokens>& args, std::string& sError)
{
    while (input.back().m_eKind == EOrvPpToken::EndOfMacro)
    {
        Deactivate(active, input.back().m_sText);
        input.pop_back();
    }
    input.pop_back(); // '('
    args.emplace_back();
    int iDepth = 0;
    for (;;)
    {
        if (input.empty())
        {
            sError = "unterminated call of macro '" + name.m_sText + "'";
            return false;
        }
        SOrvPpToken token = std::move(input.back());
        input.pop_back();
        if (token.m_eKind == EOrvPpToken::EndOfMacro)
        {
            Deactivate(active, token.m_sText);
            continue;
        }
        if (token.Is(")") && iDepth == 0)
            break;
        iDepth += token.Is("(") ? 1 : token.Is(")") ? -1 : 0;
        bool bSplit = token.Is(",") && iDepth == 0 &&
                      !(macro.m_bVariadic && args.size() == macro.m_asParams.size());
        if (bSplit)
            args.emplace_back();
        else
            args.back().push_back(std::move(token));
    }
    size_t uParams = macro.m_asParams.size();
    if (uParams == 0 && args.size() == 1 && args[0].empty())
        args.clear();
    if (macro.m_bVariadic && args.size() + 1 == uParams)
        args.emplace_back(); // no variable arguments at all
    if (args.size() != uParams)
    {
        sError = "macro '" + name.m_sText + "' takes " + std::to_string(uParams) + " arguments, " +
                 std::to_string(args.size()) + " given";
        return false;
    }
    return true;
}

bool COrvFxMacros::Substitute(const SMacro& macro, const std::vector<CTokens>& args,
                              std::vector<std::string>& active, int iDepth, CTokens& out,
                              std::string& sError)
{
    const CTokens& body = macro.m_aBody;
    size_t uArgTokens = 0;
    for (const CTokens& arg : args)
        uArgTokens += arg.size();
    out.reserve(body.size() + 2 * uArgTokens);
    std::vector<CTokens> expanded(args.size());
    std::vector<bool> abExpanded(args.size(), false);
    auto expandedArg = [&](size_t uIndex) -> const CTokens*
    {
        if (!abExpanded[uIndex])
        {
            expanded[uIndex] = args[uIndex];
            if (!ExpandWith(expanded[uIndex], active, iDepth + 1, sError))
                return nullptr;
            abExpanded[uIndex] = true;
        }
        return &expanded[uIndex];
    };
    auto placemark = [&](const CTokens& arg)
    {
        if (arg.empty())
        {
            SOrvPpToken marker;
            marker.m_eKind = EOrvPpToken::Placemarker;
            out.push_back(marker);
        }
        out.insert(out.end(), arg.begin(), arg.end());
    };
    size_t uParam = 0;
    for (size_t i = 0; i < body.size(); ++i)
    {
        const SOrvPpToken& token = body[i];
        bool bPasteNext = i + 1 < body.size() && body[i + 1].Is("##");
        if (macro.m_bFunction && token.Is("#") && i + 1 < body.size() &&
            IsParamOf(macro.m_asParams, body[i + 1], uParam))
        {
            out.push_back(OrvPpStringize(args[uParam], token));
            out.back().m_bSpace = token.m_bSpace;
            ++i;
        }
        else if (token.Is("##") && i + 1 < body.size() && !out.empty())
        {
            const SOrvPpToken& next = body[++i];
            bool bParam = macro.m_bFunction && IsParamOf(macro.m_asParams, next, uParam);
            const SOrvPpToken* pRight = bParam ? args[uParam].data() : &next;
            size_t uRight = bParam ? args[uParam].size() : 1;
            if (uRight == 0)
                continue; // x ## <nothing> is x
            if (out.back().m_eKind == EOrvPpToken::Placemarker)
                out.back() = pRight[0];
            else
                out.back() = OrvPpPaste(out.back(), pRight[0]);
            out.insert(out.end(), pRight + 1, pRight + uRight);
        }
        else if (macro.m_bFunction && IsParamOf(macro.m_asParams, token, uParam))
        {
            size_t uStart = out.size();
            if (bPasteNext)
                placemark(args[uParam]);
            else if (const CTokens* pExpanded = expandedArg(uParam))
                out.insert(out.end(), pExpanded->begin(), pExpanded->end());
            else
                return false;
            if (out.size() > uStart)
                out[uStart].m_bSpace = token.m_bSpace;
        }
        else
            out.push_back(token);
    }
    out.erase(std::remove_if(out.begin(), out.end(),
                             [](const SOrvPpToken& t)
                             { return t.m_eKind == EOrvPpToken::Placemarker; }),
              out.end());
    return true;
}

bool COrvFxMacros::Evaluate(std::vector<SOrvPpToken> tokens, bool& bValue, std::string& sError)
{
    // defined NAME and defined(NAME) first, before their names could expand.
    CTokens replaced;
    for (size_t i = 0; i < tokens.size(); ++i)
    {
        if (tokens[i].m_eKind != EOrvPpToken::Identifier || tokens[i].m_sText != "defined")
        {
            replaced.push_back(std::move(tokens[i]));
            continue;
        }
        bool bParen = i + 1 < tokens.size() && tokens[i + 1].Is("(");
        size_t uName = i + (bParen ? 2 : 1);
        if (uName >= tokens.size() || tokens[uName].m_eKind != EOrvPpToken::Identifier ||
            (bParen && (uName + 1 >= tokens.size() || !tokens[uName + 1].Is(")"))))
        {
            sError = "'defined' needs a macro name";
            return false;
        }
        SOrvPpToken result = tokens[i];
        result.m_eKind = EOrvPpToken::Number;
        result.m_sText = std::string(1, IsDefined(tokens[uName].m_sText) ? '1' : '0');
        replaced.push_back(std::move(result));
        i = uName + (bParen ? 1 : 0);
    }
    if (!Expand(replaced, sError))
        return false;
    if (replaced.empty())
    {
        sError = "the condition is empty";
        return false;
    }
    int64_t iValue = 0;
    CConditionEvaluator evaluator(replaced, sError);
    if (!evaluator.Run(iValue))
        return false;
    bValue = iValue != 0;
    return true;
}

#include "FxRewrites.h"

#include "FxExpression.h"
#include "FxParser.h"

#include <algorithm>

namespace
{
// "fixed", "fixed3", "fixed4x4": a type of other shading languages that effect files use as
// a synonym of half.
bool IsFixedType(const std::string& s)
{
    if (s.rfind("fixed", 0) != 0)
        return false;
    std::string sRest = s.substr(5);
    return sRest.empty() || (sRest.size() == 1 && sRest[0] >= '1' && sRest[0] <= '4') ||
           (sRest.size() == 3 && sRest[0] >= '1' && sRest[0] <= '4' && sRest[1] == 'x' &&
            sRest[2] >= '1' && sRest[2] <= '4');
}

class CRewriter
{
public:
    CRewriter(const std::vector<SOrvFxToken>& tokens, std::string_view sSource,
              const std::vector<std::pair<size_t, size_t>>& blanked,
              std::vector<SOrvFxRewrite>& rewrites)
        : m_tokens(tokens), m_sSource(sSource), m_blanked(blanked), m_rewrites(rewrites)
    {
    }

    void Run()
    {
        for (size_t i = 0; i + 3 < m_tokens.size(); ++i)
        {
            // The cheap tests first: this runs over every token of every effect.
            bool bArray = IsIdentifier(i + 1) && IsPunct(i + 2, "[");
            bool bCall = !bArray && IsPunct(i + 1, "(");
            if (!IsIdentifier(i) || !(bArray || bCall) || Components(i) < 2)
                continue;
            if (bArray)
                FlatArray(i);
            else
                ConstructorTarget(i);
        }
    }

private:
    bool IsPunct(size_t i, const char* p) const
    {
        return i < m_tokens.size() && m_tokens[i].m_eKind == EOrvFxToken::Punct &&
               m_tokens[i].m_sText == p;
    }
    bool IsIdentifier(size_t i) const
    {
        return i < m_tokens.size() && m_tokens[i].m_eKind == EOrvFxToken::Identifier;
    }
    // Components of the numeric type named by token i (1 for scalars), 0 for other words.
    size_t Components(size_t i) const
    {
        SOrvFxParameter type;
        if (!IsIdentifier(i) || !OrvFxDescribeType(m_tokens[i].m_sText, type) || !type.IsNumeric())
            return 0;
        return size_t(type.m_uRows) * type.m_uColumns;
    }
    // The token closing the group opened at i, or the token count.
    size_t Matching(size_t i) const
    {
        int iDepth = 0;
        for (size_t j = i; j < m_tokens.size(); ++j)
        {
            const std::string& s = m_tokens[j].m_sText;
            if (m_tokens[j].m_eKind != EOrvFxToken::Punct)
                continue;
            if (s == "(" || s == "[" || s == "{")
                ++iDepth;
            else if ((s == ")" || s == "]" || s == "}") && --iDepth == 0)
                return j;
        }
        return m_tokens.size();
    }
    std::string Text(size_t uFirst, size_t uEnd) const
    {
        return std::string(m_sSource.substr(m_tokens[uFirst].m_uBegin,
                                            m_tokens[uEnd - 1].m_uEnd - m_tokens[uFirst].m_uBegin));
    }
    bool IsBlanked(size_t uBegin, size_t uEnd) const
    {
        return std::any_of(m_blanked.begin(), m_blanked.end(),
                           [&](const auto& range)
                           { return uBegin < range.second && uEnd > range.first; });
    }
    void Add(size_t uBegin, size_t uEnd, std::string sText)
    {
        m_rewrites.push_back({uBegin, uEnd, std::move(sText)});
    }

    // Items [first, end) token ranges of a brace list's contents, split at depth-0 commas;
    // false when an item is a brace list of its own.
    bool SplitList(size_t uOpen, size_t uClose, std::vector<std::pair<size_t, size_t>>& aItems)
    {
        size_t uBegin = uOpen + 1;
        for (size_t j = uOpen + 1; j <= uClose; ++j)
        {
            if (IsPunct(j, "{"))
                return false;
            if (IsPunct(j, "(") || IsPunct(j, "["))
                j = Matching(j);
            else if (IsPunct(j, ",") || j == uClose)
            {
                if (j > uBegin)
                    aItems.emplace_back(uBegin, j);
                uBegin = j + 1;
            }
        }
        return !aItems.empty();
    }

    // type name[N] = { scalars }: each element's scalars in a constructor of the type.
    void FlatArray(size_t i)
    {
        size_t uCloseSize = Matching(i + 2);
        if (!IsPunct(uCloseSize + 1, "=") || !IsPunct(uCloseSize + 2, "{"))
            return;
        size_t uOpen = uCloseSize + 2;
        size_t uClose = Matching(uOpen);
        size_t uComponents = Components(i);
        std::vector<std::pair<size_t, size_t>> aItems;
        if (uClose >= m_tokens.size() ||
            IsBlanked(m_tokens[uOpen].m_uBegin, m_tokens[uClose].m_uEnd) ||
            !SplitList(uOpen, uClose, aItems) || aItems.size() % uComponents != 0)
            return;
        // With the element count written, the items must fill it exactly; without, they must
        // be plain numbers (a list of vectors is no flat list).
        double dElements = 0;
        bool bSized = uCloseSize == i + 4 && m_tokens[i + 3].m_eKind == EOrvFxToken::Number &&
                      OrvFxParseNumber(m_tokens[i + 3].m_sText, dElements);
        bool bFlat = bSized ? dElements * double(uComponents) == double(aItems.size())
                            : std::all_of(aItems.begin(), aItems.end(),
                                          [&](const auto& item) { return IsNumberItem(item); });
        if (!bFlat)
            return;
        std::string sType = m_tokens[i].m_sText;
        if (sType.compare(0, 5, "fixed") == 0)
            sType = "half" + sType.substr(5); // as the shader code's own fixed types become
        for (size_t uItem = 0; uItem < aItems.size(); uItem += uComponents)
        {
            size_t uFirst = m_tokens[aItems[uItem].first].m_uBegin;
            size_t uLast = m_tokens[aItems[uItem + uComponents - 1].second - 1].m_uEnd;
            Add(uFirst, uFirst, sType + "(");
            Add(uLast, uLast, ")");
        }
    }
    bool IsNumberItem(const std::pair<size_t, size_t>& item) const
    {
        size_t j = item.first;
        if (IsPunct(j, "-") || IsPunct(j, "+"))
            ++j;
        return j + 1 == item.second && m_tokens[j].m_eKind == EOrvFxToken::Number;
    }

    // type(a, b) = value;  ->  { type orv_parts = value; a = orv_parts.x..; b = ...; }
    void ConstructorTarget(size_t i)
    {
        static const char s_szXyzw[] = "xyzw";
        bool bStatementStart =
            i > 0 &&
            (IsPunct(i - 1, ";") || IsPunct(i - 1, "{") || IsPunct(i - 1, "}") ||
             IsPunct(i - 1, ")") || (IsIdentifier(i - 1) && m_tokens[i - 1].m_sText == "else"));
        size_t uClose = Matching(i + 1);
        if (!bStatementStart || !IsPunct(uClose + 1, "="))
            return;
        std::vector<std::string> asNames;
        for (size_t j = i + 2; j < uClose; j += 2)
        {
            if (!IsIdentifier(j) || !(IsPunct(j + 1, ",") || j + 1 == uClose))
                return;
            asNames.push_back(m_tokens[j].m_sText);
        }
        size_t uEnd = uClose + 2;
        while (uEnd < m_tokens.size() && !IsPunct(uEnd, ";") && !IsPunct(uEnd, "}"))
            uEnd = (IsPunct(uEnd, "(") || IsPunct(uEnd, "[")) ? Matching(uEnd) + 1 : uEnd + 1;
        if (!IsPunct(uEnd, ";") || uEnd == uClose + 2 ||
            IsBlanked(m_tokens[i].m_uBegin, m_tokens[uEnd].m_uEnd))
            return;
        std::string sParts;
        size_t uComponent = 0;
        for (const std::string& sName : asNames)
        {
            size_t uSize = DeclaredSize(sName, i);
            if (uSize == 0 || uComponent + uSize > 4)
                return;
            sParts += " " + sName + " = orv_parts." +
                      std::string(s_szXyzw + uComponent, s_szXyzw + uComponent + uSize) + ";";
            uComponent += uSize;
        }
        if (uComponent != Components(i))
            return;
        Add(m_tokens[i].m_uBegin, m_tokens[uEnd].m_uEnd,
            "{ " + m_tokens[i].m_sText + " orv_parts = " + Text(uClose + 2, uEnd) + ";" + sParts +
                " }");
    }

    // Components of the variable sName as declared before token uBefore ("float3 a" or
    // "float3 b, a"); 0 when no declaration is found.
    size_t DeclaredSize(const std::string& sName, size_t uBefore) const
    {
        for (size_t j = uBefore; j-- > 1;)
        {
            if (!IsIdentifier(j) || m_tokens[j].m_sText != sName)
                continue;
            if (size_t uSize = Components(j - 1))
                return uSize;
            if (!IsPunct(j - 1, ","))
                continue;
            // Back over the earlier declarators to the type.
            for (size_t k = j - 1; k-- > 0;)
            {
                if (IsPunct(k, ";") || IsPunct(k, "{") || IsPunct(k, "}") || IsPunct(k, "("))
                    break;
                if (IsPunct(k, ")") || IsPunct(k, "]"))
                    continue;
                if (IsIdentifier(k + 1) && Components(k) && (k == 0 || !IsPunct(k - 1, ".")))
                {
                    bool bStart = k == 0 || IsPunct(k - 1, ";") || IsPunct(k - 1, "{") ||
                                  IsPunct(k - 1, "}") || IsIdentifier(k - 1);
                    if (bStart)
                        return Components(k);
                }
            }
        }
        return 0;
    }

    const std::vector<SOrvFxToken>& m_tokens;
    std::string_view m_sSource;
    const std::vector<std::pair<size_t, size_t>>& m_blanked;
    std::vector<SOrvFxRewrite>& m_rewrites;
};
} // namespace

void OrvFxFindRewrites(const std::vector<SOrvFxToken>& tokens, std::string_view sSource,
                       const std::vector<std::pair<size_t, size_t>>& blanked,
                       std::vector<SOrvFxRewrite>& rewrites)
{
    CRewriter(tokens, sSource, blanked, rewrites).Run();
}

void OrvFxFindArrayCasts(const std::vector<SOrvFxToken>& tokens, std::string_view sSource,
                         std::vector<SOrvFxRewrite>& rewrites)
{
    static const char* const s_apScalars[] = {"float", "half", "int", "uint", "bool", "dword"};
    auto isPunct = [&](size_t i, const char* p) {
        return i < tokens.size() && tokens[i].m_eKind == EOrvFxToken::Punct &&
               tokens[i].m_sText == p;
    };
    // The end (exclusive token index) of the operand starting at i: a name or group, then
    // members, indices and calls.
    auto operandEnd = [&](size_t i)
    {
        auto skipGroup = [&](size_t j)
        {
            int iDepth = 0;
            for (; j < tokens.size(); ++j)
            {
                iDepth += isPunct(j, "(") || isPunct(j, "[")   ? 1
                          : isPunct(j, ")") || isPunct(j, "]") ? -1
                                                               : 0;
                if (iDepth == 0)
                    return j + 1;
            }
            return j;
        };
        if (isPunct(i, "("))
            i = skipGroup(i);
        else if (i < tokens.size() && tokens[i].m_eKind == EOrvFxToken::Identifier)
            ++i;
        else
            return size_t(0);
        for (;;)
        {
            if (isPunct(i, ".") && i + 1 < tokens.size() &&
                tokens[i + 1].m_eKind == EOrvFxToken::Identifier)
                i += 2;
            else if (isPunct(i, "[") || isPunct(i, "("))
                i = skipGroup(i);
            else
                return i;
        }
    };
    for (size_t i = 0; i + 5 < tokens.size(); ++i)
    {
        if (!isPunct(i, "(") || !isPunct(i + 2, "[") || !isPunct(i + 4, "]") ||
            !isPunct(i + 5, ")") ||
            std::none_of(std::begin(s_apScalars), std::end(s_apScalars),
                         [&](const char* p) { return tokens[i + 1].m_sText == p; }))
            continue;
        float fCount = 0;
        size_t uEnd = operandEnd(i + 6);
        if (uEnd == 0 || !OrvFxParseNumber(tokens[i + 3].m_sText, fCount) || fCount < 1 ||
            fCount > 16)
            continue;
        std::string sOperand(sSource.substr(tokens[i + 6].m_uBegin,
                                            tokens[uEnd - 1].m_uEnd - tokens[i + 6].m_uBegin));
        std::string sList = "{";
        for (int e = 0; e < int(fCount); ++e)
            sList += (e ? ", (" : "(") + sOperand + ")[" + std::to_string(e) + "]";
        rewrites.push_back({tokens[i].m_uBegin, tokens[uEnd - 1].m_uEnd, sList + "}"});
        i = uEnd - 1;
    }
}

void OrvFxFindFixedTypes(const std::vector<SOrvFxToken>& tokens,
                         const std::vector<std::pair<size_t, size_t>>& blanked,
                         const std::vector<std::string>& asOwnTypes,
                         std::vector<SOrvFxRewrite>& rewrites)
{
    for (const SOrvFxToken& token : tokens)
    {
        if (token.m_eKind != EOrvFxToken::Identifier || !IsFixedType(token.m_sText) ||
            std::find(asOwnTypes.begin(), asOwnTypes.end(), token.m_sText) != asOwnTypes.end())
            continue;
        bool bInEdit =
            std::any_of(blanked.begin(), blanked.end(),
                        [&](const auto& range)
                        { return token.m_uBegin < range.second && token.m_uEnd > range.first; });
        if (!bInEdit)
            rewrites.push_back({token.m_uBegin, token.m_uEnd, "half" + token.m_sText.substr(5)});
    }
}

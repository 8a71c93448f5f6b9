#include "FxParser.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <strings.h>

namespace
{
const SOrvFxToken s_endToken;

bool EqualsNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

const char* const s_apModifiers[] = {"uniform", "extern",  "shared",         "volatile",
                                     "inline",  "precise", "row_major",      "column_major",
                                     "static",  "const",   "nointerpolation"};

bool IsModifier(const std::string& s)
{
    return std::any_of(std::begin(s_apModifiers), std::end(s_apModifiers),
                       [&](const char* p) { return s == p; });
}

bool ParseNumberText(const std::string& sText, float& fValue)
{
    std::string s = sText;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    {
        while (!s.empty() &&
               (s.back() == 'u' || s.back() == 'U' || s.back() == 'l' || s.back() == 'L'))
            s.pop_back();
        unsigned long long uValue = 0;
        auto result = std::from_chars(s.data() + 2, s.data() + s.size(), uValue, 16);
        fValue = static_cast<float>(uValue);
        return result.ec == std::errc() && result.ptr == s.data() + s.size();
    }
    while (!s.empty() && std::strchr("fFhHlLuU", s.back()) != nullptr)
        s.pop_back();
    auto result = std::from_chars(s.data(), s.data() + s.size(), fValue);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

// Constant expressions of initial values: numbers, true/false, constructors, brace lists,
// unary and binary + - * / and parentheses, element by element.
class CNumberEvaluator
{
public:
    CNumberEvaluator(const std::vector<SOrvFxToken>& tokens, size_t uBegin, size_t uEnd)
        : m_tokens(tokens), m_uPos(uBegin), m_uEnd(uEnd)
    {
    }

    bool Evaluate(std::vector<float>& afValues)
    {
        if (!List(afValues, nullptr))
            return false;
        return m_uPos == m_uEnd;
    }

private:
    const SOrvFxToken* Peek() const { return m_uPos < m_uEnd ? &m_tokens[m_uPos] : nullptr; }
    bool IsPunct(const char* p) const
    {
        return Peek() && Peek()->m_eKind == EOrvFxToken::Punct && Peek()->m_sText == p;
    }

    bool List(std::vector<float>& out, const char* pClose)
    {
        for (;;)
        {
            if (pClose && IsPunct(pClose))
                return true; // trailing comma or empty list
            std::vector<float> item;
            if (!Sum(item))
                return false;
            out.insert(out.end(), item.begin(), item.end());
            if (!IsPunct(","))
                return true;
            ++m_uPos;
        }
    }

    static void Combine(std::vector<float>& a, const std::vector<float>& b, char cOp)
    {
        size_t uCount = (a.size() == 1 || b.size() == 1) ? std::max(a.size(), b.size())
                                                         : std::min(a.size(), b.size());
        std::vector<float> result(uCount);
        for (size_t i = 0; i < uCount; ++i)
        {
            float x = a[a.size() == 1 ? 0 : i];
            float y = b[b.size() == 1 ? 0 : i];
            result[i] = cOp == '+' ? x + y : cOp == '-' ? x - y : cOp == '*' ? x * y : x / y;
        }
        a = std::move(result);
    }

    bool Sum(std::vector<float>& out)
    {
        if (!Product(out))
            return false;
        while (IsPunct("+") || IsPunct("-"))
        {
            char cOp = m_tokens[m_uPos++].m_sText[0];
            std::vector<float> rhs;
            if (!Product(rhs) || rhs.empty() || out.empty())
                return false;
            Combine(out, rhs, cOp);
        }
        return true;
    }

    bool Product(std::vector<float>& out)
    {
        if (!Unary(out))
            return false;
        while (IsPunct("*") || IsPunct("/"))
        {
            char cOp = m_tokens[m_uPos++].m_sText[0];
            std::vector<float> rhs;
            if (!Unary(rhs) || rhs.empty() || out.empty())
                return false;
            Combine(out, rhs, cOp);
        }
        return true;
    }

    bool Unary(std::vector<float>& out)
    {
        if (IsPunct("-") || IsPunct("+"))
        {
            bool bNegate = m_tokens[m_uPos++].m_sText == "-";
            if (!Unary(out))
                return false;
            if (bNegate)
                for (float& f : out)
                    f = -f;
            return true;
        }
        return Primary(out);
    }

    bool Group(std::vector<float>& out, const char* pOpen, const char* pClose)
    {
        if (!IsPunct(pOpen))
            return false;
        ++m_uPos;
        if (!List(out, pClose) || !IsPunct(pClose))
            return false;
        ++m_uPos;
        return true;
    }

    bool Primary(std::vector<float>& out)
    {
        const SOrvFxToken* pToken = Peek();
        if (!pToken)
            return false;
        if (pToken->m_eKind == EOrvFxToken::Number)
        {
            float f = 0;
            ++m_uPos;
            out.push_back(f);
            return ParseNumberText(pToken->m_sText, out.back());
        }
        if (pToken->m_eKind == EOrvFxToken::Identifier)
        {
            ++m_uPos;
            if (pToken->m_sText == "true" || pToken->m_sText == "TRUE")
                out.push_back(1.0f);
            else if (pToken->m_sText == "false" || pToken->m_sText == "FALSE")
                out.push_back(0.0f);
            else
                return Group(out, "(", ")"); // a constructor: float4(...)
            return true;
        }
        if (IsPunct("("))
            return Group(out, "(", ")");
        if (IsPunct("{"))
            return Group(out, "{", "}");
        return false;
    }

    const std::vector<SOrvFxToken>& m_tokens;
    size_t m_uPos;
    size_t m_uEnd;
};

struct STypePrefix
{
    const char* m_pName;
    UINT m_uType;
};
const STypePrefix s_aScalarTypes[] = {{"float", ORV_FXT_FLOAT},  {"half", ORV_FXT_FLOAT},
                                      {"double", ORV_FXT_FLOAT}, {"int", ORV_FXT_INT},
                                      {"uint", ORV_FXT_INT},     {"dword", ORV_FXT_INT},
                                      {"bool", ORV_FXT_BOOL}};
const STypePrefix s_aObjectTypes[] = {{"texture", ORV_FXT_TEXTURE},
                                      {"texture1d", ORV_FXT_TEXTURE1D},
                                      {"texture2d", ORV_FXT_TEXTURE2D},
                                      {"texture3d", ORV_FXT_TEXTURE3D},
                                      {"texturecube", ORV_FXT_TEXTURECUBE},
                                      {"sampler", ORV_FXT_SAMPLER},
                                      {"sampler1d", ORV_FXT_SAMPLER1D},
                                      {"sampler2d", ORV_FXT_SAMPLER2D},
                                      {"sampler3d", ORV_FXT_SAMPLER3D},
                                      {"samplercube", ORV_FXT_SAMPLERCUBE},
                                      {"string", ORV_FXT_STRING},
                                      {"pixelshader", ORV_FXT_PIXELSHADER},
                                      {"vertexshader", ORV_FXT_VERTEXSHADER}};
} // namespace

UINT SOrvFxParameter::GetValueCount() const
{
    if (!IsNumeric())
        return 0;
    return m_uRows * m_uColumns * std::max(1u, m_uElements);
}

UINT SOrvFxParameter::GetBytes() const
{
    if (IsNumeric())
        return GetValueCount() * 4;
    return 4 * std::max(1u, m_uElements);
}

bool OrvFxDescribeType(const std::string& sTypeName, SOrvFxParameter& parameter)
{
    for (const STypePrefix& object : s_aObjectTypes)
    {
        if (EqualsNoCase(sTypeName, object.m_pName))
        {
            parameter.m_uClass = ORV_FXC_OBJECT;
            parameter.m_uType = object.m_uType;
            parameter.m_uRows = parameter.m_uColumns = 1;
            return true;
        }
    }
    if (sTypeName == "vector" || sTypeName == "matrix")
    {
        parameter.m_uType = ORV_FXT_FLOAT;
        parameter.m_uClass = sTypeName == "vector" ? ORV_FXC_VECTOR : ORV_FXC_MATRIX_COLUMNS;
        parameter.m_uRows = sTypeName == "vector" ? 1 : 4;
        parameter.m_uColumns = 4;
        return true;
    }
    for (const STypePrefix& scalar : s_aScalarTypes)
    {
        size_t uLength = std::strlen(scalar.m_pName);
        if (sTypeName.compare(0, uLength, scalar.m_pName) != 0)
            continue;
        std::string sRest = sTypeName.substr(uLength);
        parameter.m_uType = scalar.m_uType;
        if (sRest.empty())
        {
            parameter.m_uClass = ORV_FXC_SCALAR;
            parameter.m_uRows = parameter.m_uColumns = 1;
            return true;
        }
        if (sRest.size() == 1 && sRest[0] >= '1' && sRest[0] <= '4')
        {
            parameter.m_uClass = ORV_FXC_VECTOR;
            parameter.m_uRows = 1;
            parameter.m_uColumns = UINT(sRest[0] - '0');
            return true;
        }
        if (sRest.size() == 3 && sRest[1] == 'x' && sRest[0] >= '1' && sRest[0] <= '4' &&
            sRest[2] >= '1' && sRest[2] <= '4')
        {
            parameter.m_uClass = ORV_FXC_MATRIX_COLUMNS;
            parameter.m_uRows = UINT(sRest[0] - '0');
            parameter.m_uColumns = UINT(sRest[2] - '0');
            return true;
        }
    }
    return false;
}

bool COrvFxParser::Parse(std::string_view sSource, const std::string& sFileName, SOrvFxFile& file,
                         std::string& sErrors)
{
    m_sSource = sSource;
    m_sFileName = sFileName;
    m_sErrors.clear();
    m_aEdits.clear();
    m_aShaderVariables.clear();
    m_asStructNames.clear();
    m_aGenericSamplers.clear();
    m_uPos = 0;
    file = SOrvFxFile();
    m_pFile = &file;

    COrvFxLexer lexer;
    std::string sLexError;
    int iLine = 0;
    bool bOk = lexer.Tokenize(sSource, m_aTokens, sLexError, iLine);
    if (!bOk)
        Fail(sLexError, iLine);
    while (bOk && Peek().m_eKind != EOrvFxToken::End)
        bOk = ParseTopLevel();
    if (!bOk)
    {
        sErrors = m_sErrors;
        return false;
    }
    ChooseSamplerTypes();

    // Apply the edits from the back so that earlier offsets stay valid.
    std::string sShader(sSource);
    std::sort(m_aEdits.begin(), m_aEdits.end(),
              [](const SEdit& a, const SEdit& b) { return a.m_uBegin > b.m_uBegin; });
    for (const SEdit& edit : m_aEdits)
    {
        std::string sText = edit.m_sReplacement;
        if (sText.empty())
        {
            for (size_t i = edit.m_uBegin; i < edit.m_uEnd; ++i)
                sText += sShader[i] == '\n' ? '\n' : ' ';
        }
        sShader.replace(edit.m_uBegin, edit.m_uEnd - edit.m_uBegin, sText);
    }
    file.m_sShaderSource = std::move(sShader);
    return true;
}

const SOrvFxToken& COrvFxParser::Peek(size_t uAhead) const
{
    size_t uIndex = m_uPos + uAhead;
    return uIndex < m_aTokens.size() ? m_aTokens[uIndex] : s_endToken;
}

const SOrvFxToken& COrvFxParser::Next()
{
    const SOrvFxToken& token = Peek();
    if (m_uPos < m_aTokens.size() && token.m_eKind != EOrvFxToken::End)
        ++m_uPos;
    return token;
}

bool COrvFxParser::IsPunct(const char* pText, size_t uAhead) const
{
    const SOrvFxToken& token = Peek(uAhead);
    return token.m_eKind == EOrvFxToken::Punct && token.m_sText == pText;
}

bool COrvFxParser::IsIdent(const char* pText, size_t uAhead) const
{
    const SOrvFxToken& token = Peek(uAhead);
    return token.m_eKind == EOrvFxToken::Identifier && EqualsNoCase(token.m_sText, pText);
}

bool COrvFxParser::Expect(const char* pPunct)
{
    if (IsPunct(pPunct))
    {
        Next();
        return true;
    }
    const SOrvFxToken& token = Peek();
    std::string sFound =
        token.m_eKind == EOrvFxToken::End ? "end of file" : "'" + token.m_sText + "'";
    return Fail(std::string("syntax error: '") + pPunct + "' expected, found " + sFound);
}

bool COrvFxParser::Fail(const std::string& sMessage, int iLine)
{
    if (iLine == 0)
        iLine = Peek().m_iLine;
    m_sErrors += m_sFileName + "(" + std::to_string(iLine) + "): error: " + sMessage + "\n";
    return false;
}

void COrvFxParser::Blank(size_t uBegin, size_t uEnd)
{
    if (uEnd > uBegin)
        m_aEdits.push_back({uBegin, uEnd, std::string()});
}

void COrvFxParser::Replace(size_t uBegin, size_t uEnd, std::string sText)
{
    m_aEdits.push_back({uBegin, uEnd, std::move(sText)});
}

bool COrvFxParser::SkipGroup()
{
    static const char* const s_apPairs[][2] = {{"(", ")"}, {"[", "]"}, {"{", "}"}, {"<", ">"}};
    for (const auto& pair : s_apPairs)
    {
        if (!IsPunct(pair[0]))
            continue;
        int iLine = Peek().m_iLine;
        int iDepth = 0;
        do
        {
            if (Peek().m_eKind == EOrvFxToken::End)
                return Fail(std::string("unmatched '") + pair[0] + "'", iLine);
            if (IsPunct(pair[0]))
                ++iDepth;
            else if (IsPunct(pair[1]))
                --iDepth;
            Next();
        } while (iDepth > 0);
        return true;
    }
    Next();
    return true;
}

bool COrvFxParser::SkipTo(const char* pPunct)
{
    while (!IsPunct(pPunct))
    {
        if (Peek().m_eKind == EOrvFxToken::End)
            return Expect(pPunct);
        if (IsPunct("}") || IsPunct(")") || IsPunct("]"))
            return Fail("syntax error: unexpected '" + Peek().m_sText + "'");
        if (IsPunct("(") || IsPunct("[") || IsPunct("{"))
        {
            if (!SkipGroup())
                return false;
        }
        else
            Next();
    }
    return true;
}

bool COrvFxParser::ParseTopLevel()
{
    const SOrvFxToken& token = Peek();
    if (token.m_eKind == EOrvFxToken::Directive)
    {
        Next();
        return true;
    }
    if (IsPunct(";"))
    {
        Next();
        return true;
    }
    if (IsIdent("technique") || IsIdent("technique9") || IsIdent("technique10") ||
        IsIdent("technique11"))
        return ParseTechnique();
    if (token.m_eKind == EOrvFxToken::Identifier &&
        (token.m_sText == "struct" || token.m_sText == "cbuffer" || token.m_sText == "typedef"))
    {
        bool bStruct = token.m_sText == "struct";
        Next();
        if (bStruct && Peek().m_eKind == EOrvFxToken::Identifier)
            m_asStructNames.push_back(Peek().m_sText);
        return SkipTo(token.m_sText == "typedef" ? ";" : "{") && (IsPunct(";") || SkipGroup());
    }
    if (token.m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: unexpected '" + token.m_sText + "'");
    return ParseDeclaration();
}

// [modifiers] type name ...: a function (kept) or global variables (parameters).
bool COrvFxParser::ParseDeclaration()
{
    bool bStaticOrConst = false;
    const SOrvFxToken* pShared = nullptr;
    while (Peek().m_eKind == EOrvFxToken::Identifier && IsModifier(Peek().m_sText))
    {
        const SOrvFxToken& modifier = Next();
        bStaticOrConst |= modifier.m_sText == "static" || modifier.m_sText == "const";
        if (modifier.m_sText == "shared")
            pShared = &modifier;
    }
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: type expected, found '" + Peek().m_sText + "'");
    size_t uTypeToken = m_uPos;
    SOrvFxParameter prototype;
    prototype.m_sTypeName = Next().m_sText;
    if (IsPunct("<") && (prototype.m_sTypeName == "vector" || prototype.m_sTypeName == "matrix"))
    {
        // vector<float, 3>, matrix<float, 4, 4>
        std::vector<std::string> asArgs;
        for (size_t i = m_uPos + 1; i < m_aTokens.size() && !IsPunct(">", i - m_uPos); ++i)
            if (m_aTokens[i].m_sText != ",")
                asArgs.push_back(m_aTokens[i].m_sText);
        if (!SkipGroup())
            return false;
        if (asArgs.size() == 2)
            prototype.m_sTypeName = asArgs[0] + asArgs[1];
        else if (asArgs.size() == 3)
            prototype.m_sTypeName = asArgs[0] + asArgs[1] + "x" + asArgs[2];
    }
    bool bKnown = OrvFxDescribeType(prototype.m_sTypeName, prototype);
    if (!bKnown)
    {
        prototype.m_uClass = ORV_FXC_STRUCT;
        prototype.m_uType = ORV_FXT_VOID;
    }
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: name expected after '" + prototype.m_sTypeName + "'");
    if (IsPunct("(", 1))
    {
        // A function: keep it whole for the shader compiler.
        Next();
        if (!SkipGroup())
            return false;
        while (IsPunct(":"))
        {
            Next();
            if (!SkipGroup() || (IsPunct("(") && !SkipGroup()))
                return false;
        }
        if (IsPunct(";"))
        {
            Next();
            return true;
        }
        if (!IsPunct("{"))
            return Expect("{");
        return SkipGroup();
    }
    bool bShaderVar =
        prototype.m_uType == ORV_FXT_VERTEXSHADER || prototype.m_uType == ORV_FXT_PIXELSHADER;
    bool bEffectOnly = prototype.m_uType == ORV_FXT_STRING || prototype.IsTexture() || bShaderVar;
    size_t uBegin = m_aTokens[uTypeToken].m_uBegin;
    for (size_t i = uTypeToken; i > 0 && IsModifier(m_aTokens[i - 1].m_sText); --i)
        uBegin = m_aTokens[i - 1].m_uBegin;
    m_uTypeToken = uTypeToken;
    for (;;)
    {
        if (!ParseDeclarator(prototype, bStaticOrConst, bShaderVar))
            return false;
        if (IsPunct(";"))
            break;
        if (!IsPunct(","))
            return Expect(";");
        Next();
    }
    if (bEffectOnly)
        Blank(uBegin, Peek().m_uEnd);
    else if (pShared)
        Blank(pShared->m_uBegin, pShared->m_uEnd);
    Next();
    return true;
}

bool COrvFxParser::ParseDeclarator(SOrvFxParameter parameter, bool bStaticOrConst, bool bShaderVar)
{
    const SOrvFxToken& name = Next();
    if (name.m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: name expected, found '" + name.m_sText + "'");
    parameter.m_sName = name.m_sText;
    parameter.m_iLine = name.m_iLine;
    if (IsPunct("["))
    {
        std::vector<float> afCount;
        size_t uOpen = m_uPos;
        if (!SkipGroup())
            return false;
        if (!EvaluateNumbers(uOpen + 1, m_uPos - 1, afCount) || afCount.size() != 1 ||
            afCount[0] < 1 || afCount[0] > 65536)
            return Fail("array size must be a positive number", name.m_iLine);
        parameter.m_uElements = UINT(afCount[0]);
    }
    // Everything after the name and array size is for the effect only.
    size_t uEffectOnly = Peek().m_uBegin;
    while (IsPunct(":"))
    {
        Next();
        if (IsIdent("register"))
        {
            Next();
            if (!SkipGroup())
                return false;
        }
        else if (Peek().m_eKind == EOrvFxToken::Identifier)
            parameter.m_sSemantic = Next().m_sText;
        else
            return Fail("syntax error: semantic expected after ':'");
    }
    if (IsPunct("<") && !ParseAnnotations(parameter.m_aAnnotations))
        return false;
    parameter.m_afValue.assign(parameter.GetValueCount(), 0.0f);
    SOrvFxShader shader;
    if (IsPunct("="))
    {
        Next();
        if (bShaderVar)
        {
            SOrvFxValue value;
            if (!ParseStateValue(value, &shader, true))
                return false;
        }
        else if (!bStaticOrConst && !ParseInitializer(parameter))
            return false;
        else if (bStaticOrConst)
        {
            while (!IsPunct(",") && !IsPunct(";"))
            {
                if (Peek().m_eKind == EOrvFxToken::End || IsPunct("}"))
                    return Expect(";");
                if (!SkipGroup())
                    return false;
            }
        }
    }
    if (bShaderVar)
    {
        m_aShaderVariables.push_back({parameter.m_sName, shader});
        return true;
    }
    if (bStaticOrConst)
        return true;
    if (!(parameter.m_uType == ORV_FXT_STRING || parameter.IsTexture()))
    {
        parameter.m_bInShader = true;
        if (parameter.m_uType == ORV_FXT_SAMPLER)
            m_aGenericSamplers.push_back({parameter.m_sName, m_uTypeToken});
        Blank(uEffectOnly, Peek().m_uBegin);
    }
    for (const SOrvFxParameter& other : m_pFile->m_aParameters)
        if (other.m_sName == parameter.m_sName)
            return Fail("redefinition of '" + parameter.m_sName + "'", name.m_iLine);
    m_pFile->m_aParameters.push_back(std::move(parameter));
    return true;
}

bool COrvFxParser::ParseInitializer(SOrvFxParameter& parameter)
{
    if (IsIdent("sampler_state"))
    {
        Next();
        if (!parameter.IsSampler())
            return Fail("sampler_state given to '" + parameter.m_sName + "', which is no sampler");
        return ParseStateBlock(parameter.m_aSamplerStates, nullptr);
    }
    size_t uBegin = m_uPos;
    int iLine = Peek().m_iLine;
    while (!IsPunct(",") && !IsPunct(";"))
    {
        if (Peek().m_eKind == EOrvFxToken::End || IsPunct("}") || IsPunct(")"))
            return Expect(";");
        if (!SkipGroup())
            return false;
    }
    if (parameter.m_uType == ORV_FXT_STRING)
    {
        if (m_uPos != uBegin + 1 || m_aTokens[uBegin].m_eKind != EOrvFxToken::String)
            return Fail("a string literal is expected for '" + parameter.m_sName + "'", iLine);
        parameter.m_sString = m_aTokens[uBegin].m_sText;
        return true;
    }
    std::vector<float> afValues;
    if (!parameter.IsNumeric() || !EvaluateNumbers(uBegin, m_uPos, afValues))
        return Fail("cannot evaluate the initial value of '" + parameter.m_sName + "'", iLine);
    size_t uCount = std::min(afValues.size(), parameter.m_afValue.size());
    if (afValues.size() == 1)
        std::fill(parameter.m_afValue.begin(), parameter.m_afValue.end(), afValues[0]);
    else
        std::copy_n(afValues.begin(), uCount, parameter.m_afValue.begin());
    return true;
}

bool COrvFxParser::EvaluateNumbers(size_t uBegin, size_t uEnd, std::vector<float>& afValues)
{
    CNumberEvaluator evaluator(m_aTokens, uBegin, uEnd);
    return evaluator.Evaluate(afValues);
}

// < type name = value; ... >
bool COrvFxParser::ParseAnnotations(std::vector<SOrvFxParameter>& annotations)
{
    if (!Expect("<"))
        return false;
    while (!IsPunct(">"))
    {
        SOrvFxParameter annotation;
        if (Peek().m_eKind != EOrvFxToken::Identifier)
            return Fail("syntax error: annotation type expected, found '" + Peek().m_sText + "'");
        annotation.m_sTypeName = Next().m_sText;
        if (!OrvFxDescribeType(annotation.m_sTypeName, annotation))
            return Fail("unknown annotation type '" + annotation.m_sTypeName + "'");
        if (Peek().m_eKind != EOrvFxToken::Identifier)
            return Fail("syntax error: annotation name expected");
        annotation.m_sName = Next().m_sText;
        annotation.m_iLine = Peek().m_iLine;
        if (IsPunct("["))
        {
            size_t uOpen = m_uPos;
            std::vector<float> afCount;
            if (!SkipGroup())
                return false;
            if (!EvaluateNumbers(uOpen + 1, m_uPos - 1, afCount) || afCount.size() != 1 ||
                afCount[0] < 1 || afCount[0] > 65536)
                return Fail("array size must be a positive number");
            annotation.m_uElements = UINT(afCount[0]);
        }
        annotation.m_afValue.assign(annotation.GetValueCount(), 0.0f);
        if (!Expect("=") || !ParseInitializer(annotation) || !Expect(";"))
            return false;
        annotations.push_back(std::move(annotation));
    }
    Next();
    return true;
}

// technique [name] [<annotations>] { pass [name] [<annotations>] { states } ... }
bool COrvFxParser::ParseTechnique()
{
    size_t uBegin = Next().m_uBegin;
    SOrvFxTechnique technique;
    technique.m_iLine = Peek().m_iLine;
    if (Peek().m_eKind == EOrvFxToken::Identifier)
        technique.m_sName = Next().m_sText;
    if (IsPunct("<") && !ParseAnnotations(technique.m_aAnnotations))
        return false;
    if (!Expect("{"))
        return false;
    while (!IsPunct("}"))
    {
        if (!IsIdent("pass"))
            return Fail("syntax error: 'pass' expected, found '" + Peek().m_sText + "'");
        Next();
        SOrvFxPass pass;
        pass.m_iLine = Peek().m_iLine;
        if (Peek().m_eKind == EOrvFxToken::Identifier)
            pass.m_sName = Next().m_sText;
        if (IsPunct("<") && !ParseAnnotations(pass.m_aAnnotations))
            return false;
        if (!ParsePass(pass))
            return false;
        technique.m_aPasses.push_back(std::move(pass));
    }
    Blank(uBegin, Next().m_uEnd);
    for (const SOrvFxTechnique& other : m_pFile->m_aTechniques)
        if (!technique.m_sName.empty() && other.m_sName == technique.m_sName)
            return Fail("redefinition of technique '" + technique.m_sName + "'", technique.m_iLine);
    m_pFile->m_aTechniques.push_back(std::move(technique));
    return true;
}

bool COrvFxParser::ParsePass(SOrvFxPass& pass)
{
    return ParseStateBlock(pass.m_aStates, &pass);
}

// { Name[Index] = Value; ... } of a pass (shaders go to the pass) or of a sampler_state.
bool COrvFxParser::ParseStateBlock(std::vector<SOrvFxState>& states, SOrvFxPass* pPass)
{
    if (!Expect("{"))
        return false;
    while (!IsPunct("}"))
    {
        SOrvFxState state;
        state.m_iLine = Peek().m_iLine;
        if (Peek().m_eKind != EOrvFxToken::Identifier)
            return Fail("syntax error: state name expected, found '" + Peek().m_sText + "'");
        state.m_sName = Next().m_sText;
        if (IsPunct("["))
        {
            Next();
            float fIndex = 0;
            if (Peek().m_eKind != EOrvFxToken::Number || !ParseNumberText(Next().m_sText, fIndex) ||
                fIndex < 0 || fIndex > 255)
                return Fail("state index must be a number");
            state.m_uIndex = UINT(fIndex);
            if (!Expect("]"))
                return false;
        }
        if (!Expect("="))
            return false;
        bool bVertex = EqualsNoCase(state.m_sName, "VertexShader");
        bool bPixel = EqualsNoCase(state.m_sName, "PixelShader");
        SOrvFxShader* pShader = nullptr;
        if (pPass && bVertex)
            pShader = &pPass->m_vertexShader;
        else if (pPass && bPixel)
            pShader = &pPass->m_pixelShader;
        if (!ParseStateValue(state.m_value, pShader, bVertex || bPixel) || !Expect(";"))
            return false;
        if (!pShader)
            states.push_back(std::move(state));
    }
    Next();
    return true;
}

bool COrvFxParser::ParseStateValue(SOrvFxValue& value, SOrvFxShader* pShader, bool bShaderState)
{
    if (bShaderState && IsIdent("compile"))
    {
        SOrvFxShader shader;
        if (!ParseCompile(shader))
            return false;
        if (pShader)
            *pShader = shader;
        return true;
    }
    if (bShaderState && IsIdent("asm"))
        return Fail("assembly shaders are not supported");
    if (bShaderState && (IsIdent("null") || IsIdent("NULL")))
    {
        Next();
        return true;
    }
    const SOrvFxToken& token = Peek();
    bool bAngle = IsPunct("<");
    if ((bAngle || IsPunct("(")) && Peek(1).m_eKind == EOrvFxToken::Identifier &&
        IsPunct(bAngle ? ">" : ")", 2))
    {
        // <Name> or (Name): a parameter, or a shader variable.
        std::string sName = Peek(1).m_sText;
        m_uPos += 3;
        if (bShaderState)
        {
            for (const SShaderVariable& variable : m_aShaderVariables)
                if (variable.m_sName == sName && pShader)
                    *pShader = variable.m_shader;
            if (pShader && !pShader->m_bPresent)
                return Fail("unknown shader '" + sName + "'");
            return true;
        }
        value.m_eKind = SOrvFxValue::Reference;
        value.m_sText = sName;
        return true;
    }
    if (token.m_eKind == EOrvFxToken::Identifier && (IsPunct(";", 1) || IsPunct("|", 1)) &&
        !IsIdent("true") && !IsIdent("false"))
    {
        // A named value; "A | B" combinations keep their text.
        value.m_eKind = SOrvFxValue::Name;
        while (!IsPunct(";") && Peek().m_eKind != EOrvFxToken::End)
            value.m_sText += Next().m_sText;
        return true;
    }
    if (token.m_eKind == EOrvFxToken::String)
    {
        value.m_eKind = SOrvFxValue::String;
        value.m_sText = Next().m_sText;
        return true;
    }
    size_t uBegin = m_uPos;
    int iLine = token.m_iLine;
    while (!IsPunct(";"))
    {
        if (Peek().m_eKind == EOrvFxToken::End || IsPunct("}"))
            return Expect(";");
        if (!SkipGroup())
            return false;
    }
    value.m_eKind = SOrvFxValue::Numbers;
    if (!EvaluateNumbers(uBegin, m_uPos, value.m_afNumbers))
        return Fail("cannot evaluate the state value", iLine);
    return true;
}

// compile profile Entry(arguments)
bool COrvFxParser::ParseCompile(SOrvFxShader& shader)
{
    shader.m_iLine = Next().m_iLine;
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: shader profile expected after 'compile'");
    shader.m_sProfile = Next().m_sText;
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: entry point expected after '" + shader.m_sProfile + "'");
    shader.m_sEntry = Next().m_sText;
    if (!Expect("("))
        return false;
    while (!IsPunct(")"))
    {
        size_t uBegin = Peek().m_uBegin;
        while (!IsPunct(",") && !IsPunct(")"))
        {
            if (Peek().m_eKind == EOrvFxToken::End || IsPunct(";"))
                return Expect(")");
            if (!SkipGroup())
                return false;
        }
        shader.m_asArguments.emplace_back(
            m_sSource.substr(uBegin, m_aTokens[m_uPos - 1].m_uEnd - uBegin));
        if (IsPunct(","))
            Next();
    }
    Next();
    shader.m_bPresent = true;
    return true;
}

// A plain "sampler" becomes the sampler type of its use in the code (tex2D, texCUBE, tex3D),
// sampler2D when unused.
void COrvFxParser::ChooseSamplerTypes()
{
    static const struct
    {
        const char* m_pFunction;
        UINT m_uType;
        const char* m_pTypeName;
    } s_aUses[] = {{"texCUBE", ORV_FXT_SAMPLERCUBE, "samplerCUBE"},
                   {"tex3D", ORV_FXT_SAMPLER3D, "sampler3D"},
                   {"tex1D", ORV_FXT_SAMPLER1D, "sampler1D"}};
    for (SOrvFxParameter& parameter : m_pFile->m_aParameters)
    {
        if (parameter.m_uType != ORV_FXT_SAMPLER)
            continue;
        std::string sTypeName = "sampler2D";
        for (size_t i = 0; i + 2 < m_aTokens.size(); ++i)
        {
            for (const auto& use : s_aUses)
            {
                if (m_aTokens[i].m_sText == use.m_pFunction && m_aTokens[i + 1].m_sText == "(" &&
                    m_aTokens[i + 2].m_sText == parameter.m_sName)
                {
                    parameter.m_uType = use.m_uType;
                    sTypeName = use.m_pTypeName;
                }
            }
        }
        if (parameter.m_uType == ORV_FXT_SAMPLER)
            parameter.m_uType = ORV_FXT_SAMPLER2D;
        // Rewrite the declared type ("sampler" -> "sampler2D"), once per declaration.
        for (auto& generic : m_aGenericSamplers)
        {
            if (generic.first != parameter.m_sName || generic.second == SIZE_MAX)
                continue;
            size_t uToken = generic.second;
            for (auto& other : m_aGenericSamplers)
                if (other.second == uToken)
                    other.second = SIZE_MAX;
            Replace(m_aTokens[uToken].m_uBegin, m_aTokens[uToken].m_uEnd, sTypeName);
        }
    }
}

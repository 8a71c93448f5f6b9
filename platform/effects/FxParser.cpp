#include "FxParser.h"

#include "FxRewrites.h"
#include "FxStates.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace
{
const SOrvFxToken s_endToken;

bool EqualsNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

const char* const s_apModifiers[] = {"uniform",   "extern",        "shared",          "volatile",
                                     "inline",    "precise",       "static",          "const",
                                     "row_major", "column_major",  "nointerpolation", "linear",
                                     "centroid",  "noperspective", "sample",          "snorm",
                                     "unorm"};

bool IsModifier(const std::string& s)
{
    return std::any_of(std::begin(s_apModifiers), std::end(s_apModifiers),
                       [&](const char* p) { return s == p; });
}

// Names that only Direct3D 10 and 11 effect files use.
const char* const s_apDirect3D10Words[] = {"technique10",
                                           "technique11",
                                           "fxgroup",
                                           "cbuffer",
                                           "tbuffer",
                                           "BlendState",
                                           "DepthStencilState",
                                           "RasterizerState",
                                           "SamplerState",
                                           "SamplerComparisonState",
                                           "GeometryShader",
                                           "HullShader",
                                           "DomainShader",
                                           "ComputeShader",
                                           "Texture2DArray",
                                           "Texture2DMS",
                                           "Texture2DMSArray",
                                           "Texture1DArray",
                                           "TextureCubeArray",
                                           "StructuredBuffer",
                                           "RWStructuredBuffer",
                                           "ByteAddressBuffer",
                                           "RWByteAddressBuffer",
                                           "AppendStructuredBuffer",
                                           "ConsumeStructuredBuffer",
                                           "RWBuffer",
                                           "RWTexture1D",
                                           "RWTexture2D",
                                           "RWTexture3D",
                                           "SetVertexShader",
                                           "SetPixelShader",
                                           "SetGeometryShader",
                                           "SetHullShader",
                                           "SetDomainShader",
                                           "SetComputeShader",
                                           "CompileShader",
                                           "SetBlendState",
                                           "SetDepthStencilState",
                                           "SetRasterizerState",
                                           "ConstructGSWithSO"};

bool IsDirect3D10Word(const std::string& s)
{
    return std::any_of(std::begin(s_apDirect3D10Words), std::end(s_apDirect3D10Words),
                       [&](const char* p) { return s == p; });
}

bool IsDirect3D10Profile(const std::string& sProfile)
{
    size_t uUnderscore = sProfile.find('_');
    return uUnderscore != std::string::npos && uUnderscore + 1 < sProfile.size() &&
           sProfile[uUnderscore + 1] >= '4' && sProfile[uUnderscore + 1] <= '9';
}

struct STypePrefix
{
    const char* m_pName;
    UINT m_uType;
};
const STypePrefix s_aScalarTypes[] = {{"float", ORV_FXT_FLOAT},  {"half", ORV_FXT_FLOAT},
                                      {"double", ORV_FXT_FLOAT}, {"fixed", ORV_FXT_FLOAT},
                                      {"int", ORV_FXT_INT},      {"uint", ORV_FXT_INT},
                                      {"dword", ORV_FXT_INT},    {"bool", ORV_FXT_BOOL}};
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

void CopyValues(const std::vector<double>& adValues, std::vector<float>& afTarget)
{
    if (adValues.size() == 1)
        std::fill(afTarget.begin(), afTarget.end(), float(adValues[0]));
    else
        for (size_t i = 0; i < std::min(adValues.size(), afTarget.size()); ++i)
            afTarget[i] = float(adValues[i]);
}
} // namespace

// Static constants and the initial values of the parameters declared so far.
class COrvFxParser::CConstantResolver : public IOrvFxNameResolver
{
public:
    explicit CConstantResolver(const COrvFxParser& parser) : m_parser(parser) {}
    bool Resolve(const std::string& sName, std::vector<double>& adValue,
                 size_t& uPerElement) const override
    {
        if (auto it = m_parser.m_constants.find(sName); it != m_parser.m_constants.end())
        {
            adValue.assign(it->second.m_afValue.begin(), it->second.m_afValue.end());
            uPerElement = it->second.m_uPerElement;
            return true;
        }
        const SOrvFxParameter* pParameter = m_parser.FindParameter(sName);
        if (!pParameter || !pParameter->IsNumeric())
            return false;
        adValue.assign(pParameter->m_afValue.begin(), pParameter->m_afValue.end());
        uPerElement = pParameter->m_uElements ? pParameter->m_uRows * pParameter->m_uColumns : 0;
        return true;
    }

private:
    const COrvFxParser& m_parser;
};

// Names in a state value: the state's own constants (CCW, LINEAR, TRUE), static constants,
// then parameters, whose use makes the value one to evaluate when the pass begins.
class COrvFxParser::CStateResolver : public IOrvFxNameResolver
{
public:
    CStateResolver(const COrvFxParser& parser, const SOrvFxStateInfo& state)
        : m_constants(parser), m_parser(parser), m_state(state)
    {
    }
    bool Resolve(const std::string& sName, std::vector<double>& adValue,
                 size_t& uPerElement) const override
    {
        DWORD dwValue = 0;
        if (IsConstant(sName, adValue, uPerElement, dwValue))
            return true;
        const SOrvFxParameter* pParameter = m_parser.FindParameter(sName);
        if (!pParameter || !pParameter->IsNumeric())
            return false;
        m_bUsesParameters = true;
        return m_constants.Resolve(sName, adValue, uPerElement);
    }
    bool IsConstant(const std::string& sName, std::vector<double>& adValue, size_t& uPerElement,
                    DWORD& dwValue) const
    {
        if (OrvFxStateNameValue(m_state, sName, dwValue))
        {
            adValue.assign(1, double(dwValue));
            uPerElement = 0;
            return true;
        }
        return m_parser.m_constants.count(sName) &&
               m_constants.Resolve(sName, adValue, uPerElement);
    }
    // Replaces the constant names of a value that uses parameters by their values.
    void BindConstants(SOrvFxExpr& expr) const
    {
        std::vector<double> adValue;
        size_t uPerElement = 0;
        DWORD dwValue = 0;
        if (expr.m_eOp == SOrvFxExpr::Name &&
            IsConstant(expr.m_sText, adValue, uPerElement, dwValue))
        {
            expr.m_eOp = SOrvFxExpr::Constant;
            expr.m_adValue = adValue;
            return;
        }
        for (SOrvFxExpr& arg : expr.m_aArgs)
            BindConstants(arg);
    }
    mutable bool m_bUsesParameters = false;

private:
    CConstantResolver m_constants;
    const COrvFxParser& m_parser;
    SOrvFxStateInfo m_state;
};

UINT SOrvFxParameter::GetValueCount() const
{
    UINT uPerElement = 0;
    if (IsNumeric())
        uPerElement = m_uRows * m_uColumns;
    else if (m_uClass == ORV_FXC_STRUCT)
        for (const SOrvFxParameter& member : m_aMembers)
            uPerElement += member.GetValueCount();
    return uPerElement * std::max(1u, m_uElements);
}

UINT SOrvFxParameter::GetBytes() const
{
    if (HasValue())
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

// ---- Reading the file ----------------------------------------------------------------------

bool COrvFxParser::Parse(std::string_view sSource, const std::string& sFileName, SOrvFxFile& file,
                         std::string& sErrors)
{
    SOrvFxSource source;
    source.m_sText = std::string(sSource);
    source.m_lines = COrvFxLineMap(sFileName);
    return Parse(source, file, sErrors);
}

bool COrvFxParser::Parse(const SOrvFxSource& source, SOrvFxFile& file, std::string& sErrors)
{
    file = SOrvFxFile();
    file.m_lines = source.m_lines;
    m_pFile = &file;
    m_pLines = &file.m_lines;
    m_sSource = source.m_sText;
    m_sErrors.clear();
    m_aEdits.clear();
    m_shaderVariables.clear();
    m_constants.clear();
    m_structs.clear();
    m_asTypedefs.clear();
    m_functions.clear();
    m_aGenericSamplers.clear();
    m_uPos = 0;

    COrvFxLexer lexer;
    std::string sLexError;
    int iLine = 0;
    bool bOk = lexer.Tokenize(m_sSource, m_aTokens, sLexError, iLine);
    if (!bOk)
        Fail(sLexError, iLine);
    while (bOk && Peek().m_eKind != EOrvFxToken::End)
        bOk = ParseTopLevel();
    bOk = bOk && ResolveAll();
    if (!bOk)
    {
        sErrors += m_sErrors;
        return false;
    }
    ChooseSamplerTypes();
    RewriteForGlslang();

    // Apply the edits from the back so that earlier offsets stay valid.
    std::string sShader(m_sSource);
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
    m_sErrors += m_pLines->Where(iLine) + ": error: " + sMessage + "\n";
    return false;
}

bool COrvFxParser::Refuse10(const std::string& sConstruct, int iLine)
{
    return Fail("'" + sConstruct + "': Direct3D 10 and 11 effect files are not supported", iLine);
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

bool COrvFxParser::SkipValue()
{
    while (!IsPunct(",") && !IsPunct(";"))
    {
        if (Peek().m_eKind == EOrvFxToken::End || IsPunct("}") || IsPunct(")") || IsPunct("]"))
            return Expect(";");
        if (!SkipGroup())
            return false;
    }
    return true;
}

const SOrvFxParameter* COrvFxParser::FindParameter(const std::string& sName) const
{
    for (const SOrvFxParameter& parameter : m_pFile->m_aParameters)
        if (parameter.m_sName == sName)
            return &parameter;
    return nullptr;
}

bool COrvFxParser::ParseTopLevel()
{
    const SOrvFxToken& token = Peek();
    if (token.m_eKind == EOrvFxToken::Directive || IsPunct(";"))
    {
        Next();
        return true;
    }
    if (IsPunct("["))
        return Refuse10("[" + Peek(1).m_sText + "]");
    if (token.m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: unexpected '" + token.m_sText + "'");
    if (IsDirect3D10Word(token.m_sText) || IsIdent("technique10") || IsIdent("technique11"))
        return Refuse10(token.m_sText);
    if (IsIdent("technique") || IsIdent("technique9"))
        return ParseTechnique();
    if (token.m_sText == "struct")
        return ParseStruct();
    if (token.m_sText == "typedef")
    {
        Next();
        size_t uStart = m_uPos;
        if (!SkipTo(";"))
            return false;
        for (size_t i = m_uPos; i > uStart; --i)
            if (m_aTokens[i - 1].m_eKind == EOrvFxToken::Identifier)
            {
                m_asTypedefs.push_back(m_aTokens[i - 1].m_sText);
                break;
            }
        Next();
        return true;
    }
    return ParseDeclaration();
}

// struct Name { members }: kept for the shader compiler; the members describe parameters
// of the struct's type.
bool COrvFxParser::ParseStruct()
{
    Next();
    std::string sName;
    if (Peek().m_eKind == EOrvFxToken::Identifier)
        sName = Next().m_sText;
    if (!IsPunct("{"))
        return SkipTo(";");
    size_t uOpen = m_uPos;
    if (!SkipGroup())
        return false;
    size_t uClose = m_uPos - 1;
    SStruct definition;
    bool bKnown = true;
    size_t uStatement = uOpen + 1;
    for (size_t i = uStatement; i < uClose && bKnown; ++i)
    {
        if (!(m_aTokens[i].m_eKind == EOrvFxToken::Punct && m_aTokens[i].m_sText == ";"))
            continue;
        // [modifiers] type name [size] [: semantic] {, name ...};
        size_t t = uStatement;
        while (t < i && IsModifier(m_aTokens[t].m_sText))
            ++t;
        SOrvFxParameter member;
        if (t >= i)
            bKnown = false;
        else if (auto it = m_structs.find(m_aTokens[t].m_sText); it != m_structs.end())
        {
            member.m_uClass = ORV_FXC_STRUCT;
            member.m_uType = ORV_FXT_VOID;
            member.m_aMembers = it->second.m_aMembers;
        }
        else
            bKnown = OrvFxDescribeType(m_aTokens[t].m_sText, member) && member.IsNumeric();
        member.m_sTypeName = t < i ? m_aTokens[t].m_sText : std::string();
        for (size_t n = t + 1; bKnown && n < i; ++n)
        {
            if (m_aTokens[n].m_eKind != EOrvFxToken::Identifier ||
                (n > 0 && m_aTokens[n - 1].m_sText == ":"))
                continue;
            SOrvFxParameter named = member;
            named.m_sName = m_aTokens[n].m_sText;
            if (n + 3 < i && m_aTokens[n + 1].m_sText == "[" && m_aTokens[n + 3].m_sText == "]")
            {
                float fCount = 0;
                bKnown = OrvFxParseNumber(m_aTokens[n + 2].m_sText, fCount) && fCount >= 1 &&
                         fCount <= float(s_uMaxElements);
                named.m_uElements = bKnown ? UINT(fCount) : 0;
            }
            definition.m_aMembers.push_back(named);
        }
        uStatement = i + 1;
    }
    if (bKnown && !sName.empty())
        m_structs[sName] = definition;
    return SkipTo(";");
}

bool COrvFxParser::ParseType(SOrvFxParameter& prototype)
{
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: type expected, found '" + Peek().m_sText + "'");
    prototype.m_sTypeName = Next().m_sText;
    if (IsDirect3D10Word(prototype.m_sTypeName))
        return Refuse10(prototype.m_sTypeName);
    if (EqualsNoCase(prototype.m_sTypeName, "PixelFragment") ||
        EqualsNoCase(prototype.m_sTypeName, "VertexFragment"))
        return Fail("'" + prototype.m_sTypeName + "': shader fragments are not supported");
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
    if (OrvFxDescribeType(prototype.m_sTypeName, prototype))
        return true;
    prototype.m_uClass = ORV_FXC_STRUCT;
    prototype.m_uType = ORV_FXT_VOID;
    if (auto it = m_structs.find(prototype.m_sTypeName); it != m_structs.end())
        prototype.m_aMembers = it->second.m_aMembers;
    return true;
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
    size_t uTypeToken = m_uPos;
    SOrvFxParameter prototype;
    if (!ParseType(prototype))
        return false;
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: name expected after '" + prototype.m_sTypeName + "'");
    if (IsPunct("(", 1))
    {
        // A function: keep it whole for the shader compiler, and known to state values.
        const SOrvFxToken& function = Next();
        size_t uOpen = m_uPos;
        if (!SkipGroup() || !CheckParameters(function, uOpen, m_uPos - 1))
            return false;
        SOrvFxFunction body;
        body.m_sReturnType = prototype.m_sTypeName;
        body.m_uParametersBegin = uOpen + 1;
        body.m_uParametersEnd = m_uPos - 1;
        body.m_iLine = function.m_iLine;
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
        body.m_uBodyBegin = m_uPos + 1;
        if (!SkipGroup())
            return false;
        body.m_uBodyEnd = m_uPos - 1;
        m_functions.emplace(function.m_sText, body);
        return true;
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

// A parameter written "type [n]", without its name, is refused here: glslang's HLSL front end
// crashes on it.
bool COrvFxParser::CheckParameters(const SOrvFxToken& function, size_t uOpen, size_t uClose)
{
    int iDepth = 0;
    for (size_t i = uOpen; i < uClose; ++i)
    {
        const SOrvFxToken& token = m_aTokens[i];
        bool bOpen = token.m_sText == "(" || token.m_sText == "[" || token.m_sText == "{";
        bool bClose = token.m_sText == ")" || token.m_sText == "]" || token.m_sText == "}";
        if (token.m_eKind != EOrvFxToken::Punct || !(bOpen || bClose))
            continue;
        if (token.m_sText == "[" && iDepth == 1)
        {
            const SOrvFxToken& before = m_aTokens[i - 1];
            SOrvFxParameter type;
            if (before.m_eKind == EOrvFxToken::Identifier &&
                (OrvFxDescribeType(before.m_sText, type) || m_structs.count(before.m_sText) ||
                 std::find(m_asTypedefs.begin(), m_asTypedefs.end(), before.m_sText) !=
                     m_asTypedefs.end()))
                return Fail("syntax error: a parameter of '" + function.m_sText + "' has no name",
                            token.m_iLine);
        }
        iDepth += bOpen ? 1 : -1;
    }
    return true;
}

// [size], [] (sized by the initial value, left 0 here) or [a][b] (a x b elements).
bool COrvFxParser::ParseArraySize(UINT& uElements, int iLine)
{
    uElements = 1;
    bool bUnsized = false;
    while (IsPunct("["))
    {
        size_t uOpen = m_uPos;
        if (!SkipGroup())
            return false;
        if (m_uPos == uOpen + 2)
        {
            bUnsized = true;
            continue;
        }
        std::vector<float> afCount;
        std::string sError;
        if (!EvaluateConstant(uOpen + 1, m_uPos - 1, afCount, sError) || afCount.size() != 1 ||
            !(afCount[0] >= 1) || afCount[0] > float(s_uMaxElements) ||
            float(uElements) * afCount[0] > float(s_uMaxElements))
            return Fail("array size must be a positive constant" +
                            (sError.empty() ? std::string() : " (" + sError + ")"),
                        iLine);
        uElements *= UINT(afCount[0]);
    }
    if (bUnsized)
        uElements = 0;
    return true;
}

bool COrvFxParser::ParseDeclarator(SOrvFxParameter parameter, bool bStaticOrConst, bool bShaderVar)
{
    const SOrvFxToken& name = Next();
    if (name.m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: name expected, found '" + name.m_sText + "'");
    parameter.m_sName = name.m_sText;
    parameter.m_iLine = name.m_iLine;
    bool bArray = IsPunct("[");
    bool bUnsized = false;
    if (bArray)
    {
        if (!ParseArraySize(parameter.m_uElements, name.m_iLine))
            return false;
        bUnsized = parameter.m_uElements == 0;
    }
    // Everything after the name and array size is for the effect only.
    size_t uEffectOnly = Peek().m_uBegin;
    while (IsPunct(":"))
    {
        Next();
        if (IsIdent("register") || IsIdent("packoffset"))
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
    if (bShaderVar)
        return ParseShaderVariable(parameter.m_sName,
                                   bArray ? std::max(1u, parameter.m_uElements) : 0, name.m_iLine);
    if (bUnsized && !IsPunct("="))
        return Fail("array '" + parameter.m_sName + "' needs a size", name.m_iLine);
    parameter.m_afValue.assign(parameter.GetValueCount(), 0.0f);
    if (IsPunct("="))
    {
        Next();
        if (bStaticOrConst)
        {
            // Constants that cannot be computed here stay the shader compiler's business.
            size_t uBegin = m_uPos;
            std::string sErrors = m_sErrors;
            if (parameter.IsNumeric() && ParseInitializer(parameter, bUnsized))
                m_constants[parameter.m_sName] = {
                    parameter.m_afValue,
                    bArray ? size_t(parameter.m_uRows * parameter.m_uColumns) : 0};
            m_sErrors = sErrors;
            m_uPos = uBegin;
            return SkipValue();
        }
        if (!ParseInitializer(parameter, bUnsized))
            return false;
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
    if (FindParameter(parameter.m_sName))
        return Fail("redefinition of '" + parameter.m_sName + "'", name.m_iLine);
    m_pFile->m_aParameters.push_back(std::move(parameter));
    return true;
}

// VertexShader vs = compile ...; PixelShader ps[2] = { compile ..., compile ... };
bool COrvFxParser::ParseShaderVariable(const std::string& sName, UINT uElements, int iLine)
{
    SShaderVariable variable;
    variable.m_bArray = uElements > 0;
    if (IsPunct("="))
    {
        Next();
        bool bList = IsPunct("{");
        if (bList)
            Next();
        while (!(bList && IsPunct("}")))
        {
            SOrvFxShaderSlot slot;
            if (!ParseShaderValue(slot, sName))
                return false;
            variable.m_aShaders.push_back(slot.m_aChoices.empty() ? SOrvFxShader()
                                                                  : slot.m_aChoices[0]);
            if (!bList)
                break;
            if (IsPunct(","))
                Next();
            else if (!IsPunct("}"))
                return Expect("}");
        }
        if (bList)
            Next();
    }
    if (variable.m_bArray && variable.m_aShaders.size() != uElements)
        return Fail("shader array '" + sName + "' has " + std::to_string(uElements) +
                        " elements and " + std::to_string(variable.m_aShaders.size()) + " shaders",
                    iLine);
    if (variable.m_aShaders.empty())
        variable.m_aShaders.emplace_back();
    if (m_shaderVariables.count(sName))
        return Fail("redefinition of '" + sName + "'", iLine);
    m_shaderVariables[sName] = std::move(variable);
    return true;
}

bool COrvFxParser::EvaluateConstant(size_t uBegin, size_t uEnd, std::vector<float>& afValues,
                                    std::string& sError) const
{
    SOrvFxExpr expr;
    std::vector<double> adValues;
    if (!OrvFxParseExpression(m_aTokens, uBegin, uEnd, expr, sError) ||
        !OrvFxEvaluate(expr, CConstantResolver(*this), adValues, sError))
        return false;
    afValues.assign(adValues.begin(), adValues.end());
    return true;
}

bool COrvFxParser::ParseInitializer(SOrvFxParameter& parameter, bool bUnsized)
{
    if (IsIdent("sampler_state"))
    {
        Next();
        if (!parameter.IsSampler())
            return Fail("sampler_state given to '" + parameter.m_sName + "', which is no sampler");
        if (parameter.m_uElements > 0)
            return Fail("sampler array '" + parameter.m_sName + "' needs one sampler_state each");
        return ParseStateBlock(parameter.m_aSamplerStates, nullptr);
    }
    if (parameter.IsSampler() && IsPunct("{"))
    {
        // { sampler_state { ... }, sampler_state { ... } }: one per element.
        Next();
        while (!IsPunct("}"))
        {
            if (!IsIdent("sampler_state"))
                return Fail("sampler_state expected in the initial value of '" + parameter.m_sName +
                            "'");
            Next();
            parameter.m_aaElementStates.emplace_back();
            if (!ParseStateBlock(parameter.m_aaElementStates.back(), nullptr))
                return false;
            if (IsPunct(","))
                Next();
            else if (!IsPunct("}"))
                return Expect("}");
        }
        Next();
        if (parameter.m_aaElementStates.size() != std::max(1u, parameter.m_uElements))
            return Fail("sampler array '" + parameter.m_sName + "' has " +
                        std::to_string(parameter.m_uElements) + " elements and " +
                        std::to_string(parameter.m_aaElementStates.size()) + " sampler_states");
        return true;
    }
    size_t uBegin = m_uPos;
    int iLine = Peek().m_iLine;
    if (!SkipValue())
        return false;
    if (parameter.m_uType == ORV_FXT_STRING)
    {
        if (m_uPos != uBegin + 1 || m_aTokens[uBegin].m_eKind != EOrvFxToken::String)
            return Fail("a string literal is expected for '" + parameter.m_sName + "'", iLine);
        parameter.m_sString = m_aTokens[uBegin].m_sText;
        return true;
    }
    if (!parameter.HasValue() && m_uPos == uBegin + 1 &&
        EqualsNoCase(m_aTokens[uBegin].m_sText, "NULL"))
        return true;
    std::vector<float> afValues;
    std::string sError;
    if (!parameter.HasValue() || !EvaluateConstant(uBegin, m_uPos, afValues, sError))
        return Fail("cannot evaluate the initial value of '" + parameter.m_sName + "'" +
                        (sError.empty() ? std::string() : ": " + sError),
                    iLine);
    if (bUnsized)
    {
        // float w[] = {...}: as many elements as values.
        parameter.m_uElements = 1;
        UINT uPerElement = std::max(1u, parameter.GetValueCount());
        parameter.m_uElements =
            std::clamp<UINT>(UINT(afValues.size() / uPerElement), 1, s_uMaxElements);
        parameter.m_afValue.assign(parameter.GetValueCount(), 0.0f);
    }
    std::vector<double> adValues(afValues.begin(), afValues.end());
    CopyValues(adValues, parameter.m_afValue);
    return true;
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
        if (IsPunct("[") && !ParseArraySize(annotation.m_uElements, annotation.m_iLine))
            return false;
        annotation.m_afValue.assign(annotation.GetValueCount(), 0.0f);
        if (IsPunct("="))
        {
            Next();
            if (!ParseInitializer(annotation, false))
                return false;
        }
        if (!IsPunct(">") && !Expect(";"))
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
        if (!ParseStateBlock(pass.m_aStates, &pass))
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
        if (IsDirect3D10Word(state.m_sName))
            return Refuse10(state.m_sName, state.m_iLine);
        if (IsPunct("["))
        {
            size_t uOpen = m_uPos;
            if (!SkipGroup())
                return false;
            std::vector<float> afIndex;
            std::string sError;
            if (!EvaluateConstant(uOpen + 1, m_uPos - 1, afIndex, sError) || afIndex.size() != 1 ||
                !(afIndex[0] >= 0) || afIndex[0] > 260)
                return Fail("the index of state '" + state.m_sName + "' must be a constant");
            state.m_uIndex = UINT(afIndex[0]);
        }
        if (!Expect("="))
            return false;
        bool bVertex = EqualsNoCase(state.m_sName, "VertexShader");
        bool bPixel = EqualsNoCase(state.m_sName, "PixelShader");
        if (pPass && (bVertex || bPixel))
        {
            if (!ParseShaderValue(bVertex ? pPass->m_vertexShader : pPass->m_pixelShader,
                                  state.m_sName))
                return false;
        }
        else if (!ParseStateValue(state.m_value))
            return false;
        else
            states.push_back(std::move(state));
        if (!Expect(";"))
            return false;
    }
    Next();
    return true;
}

// The value of a state, kept as written until ResolveAll knows every parameter.
bool COrvFxParser::ParseStateValue(SOrvFxValue& value)
{
    if (IsIdent("compile") || IsIdent("asm") || IsIdent("sampler_state"))
        return Fail("'" + Peek().m_sText + "' cannot be the value of a state");
    if (IsPunct("<") && Peek(1).m_eKind == EOrvFxToken::Identifier && IsPunct(">", 2))
    {
        value.m_eKind = SOrvFxValue::Reference;
        value.m_sText = Peek(1).m_sText;
        m_uPos += 3;
        return true;
    }
    if (IsPunct("<"))
        return ParseAngleValue(value);
    if (Peek().m_eKind == EOrvFxToken::String && IsPunct(";", 1))
    {
        value.m_eKind = SOrvFxValue::String;
        value.m_sText = Next().m_sText;
        return true;
    }
    size_t uBegin = m_uPos;
    while (!IsPunct(";"))
    {
        if (Peek().m_eKind == EOrvFxToken::End || IsPunct("}"))
            return Expect(";");
        if (!SkipGroup())
            return false;
    }
    auto pExpr = std::make_shared<SOrvFxExpr>();
    std::string sError;
    if (!OrvFxParseExpression(m_aTokens, uBegin, m_uPos, *pExpr, sError))
        return Fail("cannot read the state value: " + sError, m_aTokens[uBegin].m_iLine);
    value.m_eKind = SOrvFxValue::Expression;
    value.m_pExpr = std::move(pExpr);
    return true;
}

// <g_vLightPos[0]>, <Lights[i].xyz>: a reference to part of a parameter, an expression that
// the pass evaluates when it begins like any other of parameters.
bool COrvFxParser::ParseAngleValue(SOrvFxValue& value)
{
    int iLine = Next().m_iLine;
    size_t uBegin = m_uPos;
    while (!IsPunct(">"))
    {
        if (Peek().m_eKind == EOrvFxToken::End || IsPunct(";") || IsPunct("}"))
            return Expect(">");
        if (!SkipGroup())
            return false;
    }
    auto pExpr = std::make_shared<SOrvFxExpr>();
    std::string sError;
    if (!OrvFxParseExpression(m_aTokens, uBegin, m_uPos, *pExpr, sError))
        return Fail("cannot read the state value: " + sError, iLine);
    Next();
    value.m_eKind = SOrvFxValue::Expression;
    value.m_pExpr = std::move(pExpr);
    return true;
}

// compile profile Entry(...), NULL, a shader variable, or an element of a shader array.
bool COrvFxParser::ParseShaderValue(SOrvFxShaderSlot& slot, const std::string& sState)
{
    slot = SOrvFxShaderSlot();
    int iLine = Peek().m_iLine;
    if (IsIdent("compile"))
    {
        SOrvFxShader shader;
        if (!ParseCompile(shader))
            return false;
        slot.m_aChoices.push_back(std::move(shader));
        return true;
    }
    if (IsIdent("asm"))
        return Fail("assembly shaders ('asm') are not supported; write the shader in HLSL");
    if (IsIdent("NULL") && (IsPunct(";", 1) || IsPunct(",", 1) || IsPunct("}", 1)))
    {
        Next();
        return true;
    }
    if (IsDirect3D10Word(Peek().m_sText))
        return Refuse10(Peek().m_sText);
    size_t uBegin = m_uPos;
    bool bAngle = IsPunct("<");
    if (bAngle)
        ++uBegin;
    while (!IsPunct(";") && !IsPunct(",") && !(IsPunct("}") && !bAngle))
    {
        if (Peek().m_eKind == EOrvFxToken::End)
            return Expect(";");
        if (bAngle && IsPunct(">"))
        {
            Next();
            break;
        }
        if (!SkipGroup())
            return false;
    }
    size_t uEnd = bAngle ? m_uPos - 1 : m_uPos;
    SOrvFxExpr expr;
    std::string sError;
    if (!OrvFxParseExpression(m_aTokens, uBegin, uEnd, expr, sError))
        return Fail("cannot read the value of " + sState + ": " + sError, iLine);
    const SOrvFxExpr* pName = &expr;
    if (expr.m_eOp == SOrvFxExpr::Index)
        pName = &expr.m_aArgs[0];
    if (pName->m_eOp != SOrvFxExpr::Name)
        return Fail(sState + " takes 'compile', NULL, a shader variable or an element of a shader "
                             "array",
                    iLine);
    auto it = m_shaderVariables.find(pName->m_sText);
    if (it == m_shaderVariables.end())
        return Fail("unknown shader '" + pName->m_sText + "'", iLine);
    slot.m_aChoices = it->second.m_aShaders;
    if (expr.m_eOp == SOrvFxExpr::Index)
    {
        if (!it->second.m_bArray)
            return Fail("'" + pName->m_sText + "' is no shader array", iLine);
        slot.m_pIndex = std::make_shared<SOrvFxExpr>(expr.m_aArgs[1]);
    }
    else if (it->second.m_bArray)
        return Fail("shader array '" + pName->m_sText + "' needs an index", iLine);
    return true;
}

// compile profile Entry(arguments)
bool COrvFxParser::ParseCompile(SOrvFxShader& shader)
{
    shader.m_iLine = Next().m_iLine;
    if (Peek().m_eKind != EOrvFxToken::Identifier)
        return Fail("syntax error: shader profile expected after 'compile'");
    shader.m_sProfile = Next().m_sText;
    if (IsDirect3D10Profile(shader.m_sProfile))
        return Refuse10(shader.m_sProfile, shader.m_iLine);
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

// ---- After the whole file: state values and shader indices ---------------------------------

bool COrvFxParser::ResolveAll()
{
    bool bOk = true;
    for (SOrvFxParameter& parameter : m_pFile->m_aParameters)
    {
        bOk &= ResolveStates(parameter.m_aSamplerStates, true);
        for (std::vector<SOrvFxState>& states : parameter.m_aaElementStates)
            bOk &= ResolveStates(states, true);
    }
    for (SOrvFxTechnique& technique : m_pFile->m_aTechniques)
        for (SOrvFxPass& pass : technique.m_aPasses)
            bOk &= ResolveStates(pass.m_aStates, false) &&
                   ResolveShaderIndex(pass.m_vertexShader, pass.m_iLine) &&
                   ResolveShaderIndex(pass.m_pixelShader, pass.m_iLine);
    return bOk;
}

bool COrvFxParser::ResolveStates(std::vector<SOrvFxState>& states, bool bInSamplerBlock)
{
    bool bOk = true;
    for (SOrvFxState& state : states)
        bOk &= ResolveState(state, bInSamplerBlock);
    return bOk;
}

bool COrvFxParser::ResolveState(SOrvFxState& state, bool bInSamplerBlock)
{
    SOrvFxStateInfo info = OrvFxFindState(state.m_sName, bInSamplerBlock);
    SOrvFxValue& value = state.m_value;
    if (info.m_eKind == EOrvFxStateKind::Unknown)
        return Fail(std::string(bInSamplerBlock ? "unknown sampler state '" : "unknown state '") +
                        state.m_sName + "'",
                    state.m_iLine);
    if (info.m_eKind == EOrvFxStateKind::Unsupported)
        return Fail("the state '" + state.m_sName + "' is not supported", state.m_iLine);
    const SOrvFxExpr* pExpr = value.m_pExpr.get();
    std::string sName = value.m_eKind == SOrvFxValue::Reference     ? value.m_sText
                        : pExpr && pExpr->m_eOp == SOrvFxExpr::Name ? pExpr->m_sText
                                                                    : std::string();
    if (info.m_eKind == EOrvFxStateKind::Texture || info.m_eKind == EOrvFxStateKind::SamplerObject)
    {
        bool bTexture = info.m_eKind == EOrvFxStateKind::Texture;
        const SOrvFxParameter* pParameter = FindParameter(sName);
        bool bNull =
            EqualsNoCase(sName, "NULL") || (pExpr && pExpr->m_eOp == SOrvFxExpr::Constant &&
                                            pExpr->m_adValue == std::vector<double>{0.0});
        if (bNull)
        {
            value = SOrvFxValue();
            return true;
        }
        if (!pParameter || !(bTexture ? pParameter->IsTexture() : pParameter->IsSampler()))
            return Fail("'" + state.m_sName + "' needs a " + (bTexture ? "texture" : "sampler") +
                            (sName.empty() ? std::string() : ", '" + sName + "' is none"),
                        state.m_iLine);
        value = SOrvFxValue();
        value.m_eKind = SOrvFxValue::Reference;
        value.m_sText = sName;
        return true;
    }
    if (value.m_eKind == SOrvFxValue::String)
        return Fail("a string is no value for '" + state.m_sName + "'", state.m_iLine);
    if (value.m_eKind == SOrvFxValue::Reference)
    {
        const SOrvFxParameter* pParameter = FindParameter(value.m_sText);
        if (!pParameter || !pParameter->IsNumeric())
            return Fail("'" + value.m_sText + "' is no numeric parameter", state.m_iLine);
        return true;
    }
    if (!InlineFunctions(state))
        return false;
    pExpr = value.m_pExpr.get();
    if (pExpr->m_eOp == SOrvFxExpr::Name)
        sName = pExpr->m_sText;
    CStateResolver resolver(*this, info);
    std::vector<double> adValue;
    std::string sError;
    if (!OrvFxEvaluate(*pExpr, resolver, adValue, sError) || adValue.empty())
        return Fail("cannot evaluate the value of '" + state.m_sName + "': " + sError,
                    state.m_iLine);
    if (!resolver.m_bUsesParameters)
    {
        value.m_eKind = SOrvFxValue::Numbers;
        value.m_afNumbers.assign(adValue.begin(), adValue.end());
        value.m_dwValue = OrvFxStateFromValues(info, adValue);
        value.m_pExpr.reset();
        return true;
    }
    if (!sName.empty())
    {
        value.m_eKind = SOrvFxValue::Reference;
        value.m_sText = sName;
        value.m_pExpr.reset();
        return true;
    }
    auto pBound = std::make_shared<SOrvFxExpr>(*pExpr);
    resolver.BindConstants(*pBound);
    value.m_pExpr = std::move(pBound);
    return true;
}

// Calls of the effect's own functions in a state value become what they compute.
bool COrvFxParser::InlineFunctions(SOrvFxState& state)
{
    COrvFxInliner inliner(m_aTokens, m_functions);
    if (!state.m_value.m_pExpr || !inliner.Calls(*state.m_value.m_pExpr))
        return true;
    auto pInlined = std::make_shared<SOrvFxExpr>(*state.m_value.m_pExpr);
    std::string sError;
    if (!inliner.Inline(*pInlined, sError))
        return Fail("cannot evaluate the value of '" + state.m_sName + "': " + sError,
                    state.m_iLine);
    state.m_value.m_pExpr = std::move(pInlined);
    return true;
}

// A constant index picks its shader now; one of parameters waits for the pass to begin.
bool COrvFxParser::ResolveShaderIndex(SOrvFxShaderSlot& slot, int iLine)
{
    if (!slot.m_pIndex)
        return true;
    CStateResolver resolver(*this, SOrvFxStateInfo());
    std::vector<double> adValue;
    std::string sError;
    if (!OrvFxEvaluate(*slot.m_pIndex, resolver, adValue, sError) || adValue.size() != 1)
        return Fail("cannot evaluate the shader index: " + sError, iLine);
    if (!resolver.m_bUsesParameters)
    {
        size_t uIndex =
            size_t(std::clamp<double>(adValue[0], 0, double(slot.m_aChoices.size() - 1)));
        SOrvFxShader chosen = slot.m_aChoices[uIndex];
        slot.m_aChoices.assign(1, chosen);
        slot.m_pIndex.reset();
        return true;
    }
    auto pBound = std::make_shared<SOrvFxExpr>(*slot.m_pIndex);
    resolver.BindConstants(*pBound);
    slot.m_pIndex = std::move(pBound);
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
                   {"texCUBElod", ORV_FXT_SAMPLERCUBE, "samplerCUBE"},
                   {"texCUBEbias", ORV_FXT_SAMPLERCUBE, "samplerCUBE"},
                   {"texCUBEproj", ORV_FXT_SAMPLERCUBE, "samplerCUBE"},
                   {"texCUBEgrad", ORV_FXT_SAMPLERCUBE, "samplerCUBE"},
                   {"tex3D", ORV_FXT_SAMPLER3D, "sampler3D"},
                   {"tex3Dlod", ORV_FXT_SAMPLER3D, "sampler3D"},
                   {"tex3Dbias", ORV_FXT_SAMPLER3D, "sampler3D"},
                   {"tex3Dproj", ORV_FXT_SAMPLER3D, "sampler3D"},
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

// Code that HLSL accepts and glslang does not (FxRewrites.h), in three rounds: each round
// leaves alone what the rounds before it replaced or blanked.
void COrvFxParser::RewriteForGlslang()
{
    auto edited = [&]
    {
        std::vector<std::pair<size_t, size_t>> aRanges;
        for (const SEdit& edit : m_aEdits)
            aRanges.emplace_back(edit.m_uBegin, edit.m_uEnd);
        return aRanges;
    };
    auto apply = [&](std::vector<SOrvFxRewrite>& rewrites)
    {
        for (SOrvFxRewrite& rewrite : rewrites)
            Replace(rewrite.m_uBegin, rewrite.m_uEnd, std::move(rewrite.m_sText));
        rewrites.clear();
    };
    std::vector<SOrvFxRewrite> rewrites;
    OrvFxFindArrayCasts(m_aTokens, m_sSource, rewrites);
    apply(rewrites);
    OrvFxFindRewrites(m_aTokens, m_sSource, edited(), rewrites);
    apply(rewrites);
    std::vector<std::string> asOwnTypes(m_asTypedefs);
    for (const auto& entry : m_structs)
        asOwnTypes.push_back(entry.first);
    OrvFxFindFixedTypes(m_aTokens, edited(), asOwnTypes, rewrites);
    apply(rewrites);
}

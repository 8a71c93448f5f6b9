#include "FxFunctions.h"

#include "FxIntrinsics.h"
#include "FxParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace
{
using CLocals = std::map<std::string, SOrvFxExpr>;

SOrvFxExpr MakeNode(SOrvFxExpr::EOp eOp, std::string sText, std::vector<SOrvFxExpr> args)
{
    SOrvFxExpr expr;
    expr.m_eOp = eOp;
    expr.m_sText = std::move(sText);
    expr.m_aArgs = std::move(args);
    OrvFxDescribeCast(expr);
    return expr;
}

SOrvFxExpr MakeConstant(std::vector<double> adValue)
{
    SOrvFxExpr expr;
    expr.m_adValue = std::move(adValue);
    return expr;
}

size_t CountNodes(const SOrvFxExpr& expr)
{
    size_t uCount = 1;
    for (const SOrvFxExpr& arg : expr.m_aArgs)
        uCount += CountNodes(arg);
    return uCount;
}

// The cast that gives a value a declared type ("float3", "int", "float4x4"), and its
// number of components; false for a type that is no number, vector or matrix.
bool CastFor(const std::string& sType, std::string& sCast, size_t& uComponents,
             size_t* pColumns = nullptr)
{
    SOrvFxParameter type;
    std::string sLower = sType; // DWORD, as Windows headers spell it
    for (char& c : sLower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!(OrvFxDescribeType(sType, type) || OrvFxDescribeType(sLower, type)) || !type.IsNumeric())
        return false;
    sCast = type.m_uType == ORV_FXT_INT ? "int" : type.m_uType == ORV_FXT_BOOL ? "bool" : "float";
    if (type.m_uRows > 1)
        sCast += std::to_string(type.m_uRows) + "x" + std::to_string(type.m_uColumns);
    else if (type.m_uColumns > 1)
        sCast += std::to_string(type.m_uColumns);
    uComponents = size_t(type.m_uRows) * type.m_uColumns;
    if (pColumns)
        *pColumns = type.m_uRows > 1 ? type.m_uColumns : 0;
    return true;
}

bool IsModifier(const std::string& s)
{
    return s == "const" || s == "static" || s == "in" || s == "uniform" || s == "inline";
}

struct SLocalType
{
    std::string m_sCast;
    size_t m_uComponents = 1;
    size_t m_uColumns = 0; // of a matrix
};
} // namespace

// One function being inlined: its parameters bound to the arguments, then its statements
// run symbolically, in order.
class COrvFxInliner::CRun
{
public:
    CRun(COrvFxInliner& owner, const std::string& sName, const SOrvFxFunction& function)
        : m_owner(owner), m_tokens(owner.m_tokens), m_sName(sName), m_function(function)
    {
    }

    // Parameter count of the function, -1 when one of them cannot be bound (out, inout).
    int CountParameters() const
    {
        std::vector<std::pair<size_t, size_t>> aRanges;
        SplitParameters(aRanges);
        return int(aRanges.size());
    }

    bool Run(std::vector<SOrvFxExpr>& args, SOrvFxExpr& result)
    {
        if (!Bind(args))
            return false;
        m_uPos = m_function.m_uBodyBegin;
        m_uEnd = m_function.m_uBodyEnd;
        while (m_uPos < m_uEnd)
            if (!Statement(nullptr))
                return false;
        if (!m_bHasResult)
            return Fail("returns no value");
        result = std::move(m_result);
        for (auto it = m_aBindings.rbegin(); it != m_aBindings.rend(); ++it)
            result =
                MakeNode(SOrvFxExpr::Let, it->first, {std::move(it->second), std::move(result)});
        return true;
    }

private:
    bool Fail(const std::string& sReason)
    {
        return m_owner.Fail("'" + m_sName +
                            "' cannot be evaluated when the pass begins: " + sReason);
    }
    bool IsPunct(const char* p, size_t uAhead = 0) const
    {
        size_t u = m_uPos + uAhead;
        return u < m_uEnd && m_tokens[u].m_eKind == EOrvFxToken::Punct && m_tokens[u].m_sText == p;
    }
    bool IsIdentifier(size_t uAhead = 0) const
    {
        size_t u = m_uPos + uAhead;
        return u < m_uEnd && m_tokens[u].m_eKind == EOrvFxToken::Identifier;
    }
    const std::string& Text(size_t uAhead = 0) const
    {
        static const std::string s_sEnd = "end of function";
        size_t u = m_uPos + uAhead;
        return u < m_uEnd ? m_tokens[u].m_sText : s_sEnd;
    }
    bool Expect(const char* p)
    {
        if (!IsPunct(p))
            return Fail("'" + std::string(p) + "' expected, found '" + Text() + "'");
        ++m_uPos;
        return true;
    }

    // The first of the stop tokens at depth 0 from uFrom, or uEnd.
    size_t FindAtDepth0(size_t uFrom, size_t uEnd, std::initializer_list<const char*> stops) const
    {
        int iDepth = 0;
        for (size_t u = uFrom; u < uEnd; ++u)
        {
            const SOrvFxToken& token = m_tokens[u];
            if (token.m_eKind != EOrvFxToken::Punct)
                continue;
            const std::string& s = token.m_sText;
            if (iDepth == 0 &&
                std::any_of(stops.begin(), stops.end(), [&](const char* p) { return s == p; }))
                return u;
            if (s == "(" || s == "[" || s == "{")
                ++iDepth;
            else if ((s == ")" || s == "]" || s == "}") && --iDepth < 0)
                return uEnd;
        }
        return uEnd;
    }

    void SplitParameters(std::vector<std::pair<size_t, size_t>>& aRanges) const
    {
        size_t uBegin = m_function.m_uParametersBegin;
        size_t uEnd = m_function.m_uParametersEnd;
        if (uBegin == uEnd || (uEnd == uBegin + 1 && m_tokens[uBegin].m_sText == "void"))
            return;
        while (uBegin <= uEnd)
        {
            size_t uComma = FindAtDepth0(uBegin, uEnd, {","});
            aRanges.emplace_back(uBegin, uComma);
            uBegin = uComma + 1;
        }
    }

    // Each parameter becomes a local holding its argument, cast to the parameter's type.
    bool Bind(std::vector<SOrvFxExpr>& args)
    {
        std::vector<std::pair<size_t, size_t>> aRanges;
        SplitParameters(aRanges);
        for (size_t i = 0; i < aRanges.size(); ++i)
        {
            size_t u = aRanges[i].first;
            size_t uEnd = aRanges[i].second;
            while (u < uEnd && IsModifier(m_tokens[u].m_sText))
                ++u;
            if (u < uEnd && (m_tokens[u].m_sText == "out" || m_tokens[u].m_sText == "inout"))
                return Fail("it has an out parameter");
            SLocalType type;
            if (u + 1 >= uEnd ||
                !CastFor(m_tokens[u].m_sText, type.m_sCast, type.m_uComponents, &type.m_uColumns))
                return Fail("parameter " + std::to_string(i + 1) + " is no number or vector");
            const std::string& sName = m_tokens[u + 1].m_sText;
            SOrvFxExpr value;
            if (i < args.size())
                value = std::move(args[i]);
            else
                return Fail("too few arguments");
            m_types[sName] = type;
            Define(sName, MakeNode(SOrvFxExpr::Unary, type.m_sCast, {std::move(value)}));
        }
        return true;
    }

    bool Statement(const SOrvFxExpr* pCondition)
    {
        if (IsPunct(";"))
        {
            ++m_uPos;
            return true;
        }
        if (IsPunct("{"))
            return Block(pCondition);
        if (IsPunct("["))
        {
            // [branch], [flatten]: hints for the shader compiler, nothing to the CPU.
            size_t uClose = FindAtDepth0(m_uPos + 1, m_uEnd, {"]"});
            if (uClose >= m_uEnd)
                return Fail("']' expected");
            m_uPos = uClose + 1;
            return m_uPos < m_uEnd ? Statement(pCondition) : Fail("statement expected");
        }
        if (!IsIdentifier() && !IsPunct("++") && !IsPunct("--"))
            return Fail("cannot evaluate '" + Text() + "'");
        const std::string& sWord = Text();
        if (sWord == "return")
            return Return(pCondition);
        if (sWord == "if")
            return If(pCondition);
        if (sWord == "for" || sWord == "while" || sWord == "do")
            return Fail("it has a loop");
        size_t uType = m_uPos;
        while (uType < m_uEnd && IsModifier(m_tokens[uType].m_sText))
            ++uType;
        SOrvFxParameter type;
        if (uType + 1 < m_uEnd && m_tokens[uType + 1].m_eKind == EOrvFxToken::Identifier &&
            OrvFxDescribeType(m_tokens[uType].m_sText, type))
        {
            m_uPos = uType;
            return Declaration(pCondition);
        }
        return Assignment(pCondition);
    }

    bool Block(const SOrvFxExpr* pCondition)
    {
        ++m_uPos;
        CLocals outer = m_locals;
        std::map<std::string, SLocalType> outerTypes = m_types;
        std::vector<std::string> asDeclared;
        m_apDeclared.push_back(&asDeclared);
        while (!IsPunct("}"))
        {
            if (m_uPos >= m_uEnd)
                return Fail("'}' expected");
            if (!Statement(pCondition))
                return false;
        }
        ++m_uPos;
        m_apDeclared.pop_back();
        // Names declared in the block go; the outer ones they hid come back.
        for (const std::string& sName : asDeclared)
        {
            if (outer.count(sName))
            {
                m_locals[sName] = outer[sName];
                m_types[sName] = outerTypes[sName];
            }
            else
            {
                m_locals.erase(sName);
                m_types.erase(sName);
            }
        }
        return true;
    }

    bool Declaration(const SOrvFxExpr* pCondition)
    {
        SLocalType type;
        if (!CastFor(Text(), type.m_sCast, type.m_uComponents, &type.m_uColumns))
            return Fail("the local type '" + Text() + "' is no number, vector or matrix");
        ++m_uPos;
        for (;;)
        {
            if (!IsIdentifier())
                return Fail("name expected, found '" + Text() + "'");
            std::string sName = Text();
            ++m_uPos;
            if (IsPunct("["))
                return Fail("the local '" + sName + "' is an array");
            SOrvFxExpr value = MakeConstant(std::vector<double>(type.m_uComponents, 0.0));
            if (IsPunct("="))
            {
                ++m_uPos;
                if (!Expression(FindAtDepth0(m_uPos, m_uEnd, {",", ";"}), value))
                    return false;
            }
            if (!m_apDeclared.empty())
                m_apDeclared.back()->push_back(sName);
            m_types[sName] = type;
            // A declaration under a condition still declares: the value is there on every
            // path that reads it.
            (void)pCondition;
            Define(sName, MakeNode(SOrvFxExpr::Unary, type.m_sCast, {std::move(value)}));
            if (IsPunct(";"))
                break;
            if (!Expect(","))
                return false;
        }
        ++m_uPos;
        return true;
    }

    // name [.swizzle] (= += -= *= /=) value; name++; ++name; ...
    bool Assignment(const SOrvFxExpr* pCondition)
    {
        bool bPrefix = IsPunct("++") || IsPunct("--");
        std::string sPrefix = bPrefix ? Text() : std::string();
        if (bPrefix)
            ++m_uPos;
        if (!IsIdentifier())
            return Fail("cannot evaluate '" + Text() + "'");
        std::string sName = Text();
        ++m_uPos;
        std::string sSwizzle;
        if (IsPunct(".") && IsIdentifier(1))
        {
            sSwizzle = Text(1);
            m_uPos += 2;
        }
        auto itLocal = m_locals.find(sName);
        if (itLocal == m_locals.end())
            return Fail("it assigns to '" + sName + "', which is none of its locals");
        SOrvFxExpr target = sSwizzle.empty()
                                ? itLocal->second
                                : MakeNode(SOrvFxExpr::Swizzle, sSwizzle, {itLocal->second});
        SOrvFxExpr value;
        std::string sOp = bPrefix ? sPrefix : Text();
        if (!bPrefix)
            ++m_uPos;
        if (sOp == "++" || sOp == "--")
            value = MakeNode(SOrvFxExpr::Binary, sOp == "++" ? "+" : "-",
                             {std::move(target), MakeConstant({1.0})});
        else if (sOp == "=" || sOp == "+=" || sOp == "-=" || sOp == "*=" || sOp == "/=")
        {
            if (!Expression(FindAtDepth0(m_uPos, m_uEnd, {";"}), value))
                return false;
            if (sOp != "=")
                value = MakeNode(SOrvFxExpr::Binary, sOp.substr(0, 1),
                                 {std::move(target), std::move(value)});
        }
        else
            return Fail("cannot evaluate '" + sOp + "' after '" + sName + "'");
        if (!Expect(";"))
            return false;
        return Store(sName, sSwizzle, std::move(value), pCondition);
    }

    // The new value of a local; under a condition, the old one where it does not hold.
    bool Store(const std::string& sName, const std::string& sSwizzle, SOrvFxExpr value,
               const SOrvFxExpr* pCondition)
    {
        if (m_bReturnedAlways)
            return true;
        const SLocalType& type = m_types[sName];
        const SOrvFxExpr local = m_locals[sName];
        if (!sSwizzle.empty() && !MergeSwizzle(type, sSwizzle, value, local))
            return Fail("cannot assign to '" + sName + "." + sSwizzle + "'");
        value = MakeNode(SOrvFxExpr::Unary, type.m_sCast, {std::move(value)});
        SOrvFxExpr condition;
        if (Live(pCondition, condition))
            value =
                MakeNode(SOrvFxExpr::Select, "?", {std::move(condition), std::move(value), local});
        if (!Grow(value))
            return false;
        Define(sName, std::move(value));
        return true;
    }

    // A new version of a local: bound to its value around the function's result, and what
    // the local's name means from here on.
    void Define(const std::string& sName, SOrvFxExpr value)
    {
        std::string sVersion = "@" + sName + "#" + std::to_string(++m_owner.m_uVersions);
        m_locals[sName] = MakeNode(SOrvFxExpr::Name, sVersion, {});
        m_aBindings.emplace_back(std::move(sVersion), std::move(value));
    }

    // v.zx = e, m._41 = e: v with those components taken from e.
    static bool MergeSwizzle(const SLocalType& type, const std::string& sSwizzle, SOrvFxExpr& value,
                             const SOrvFxExpr& local)
    {
        std::vector<size_t> auIndices;
        if (!OrvFxMemberIndices(sSwizzle, type.m_uColumns, auIndices))
            return false;
        std::vector<double> adIndices;
        for (size_t uIndex : auIndices)
        {
            if (uIndex >= type.m_uComponents)
                return false;
            adIndices.push_back(double(uIndex));
        }
        value = MakeNode(SOrvFxExpr::Call, "__orv_set",
                         {local, MakeConstant(std::move(adIndices)), std::move(value)});
        return true;
    }

    bool Return(const SOrvFxExpr* pCondition)
    {
        ++m_uPos;
        SOrvFxExpr value;
        if (!Expression(FindAtDepth0(m_uPos, m_uEnd, {";"}), value) || !Expect(";"))
            return false;
        if (m_bReturnedAlways)
            return true;
        std::string sCast;
        size_t uComponents = 0;
        if (!CastFor(m_function.m_sReturnType, sCast, uComponents))
            return Fail("it returns '" + m_function.m_sReturnType + "'");
        value = MakeNode(SOrvFxExpr::Unary, sCast, {std::move(value)});
        SOrvFxExpr condition;
        bool bConditional = Live(pCondition, condition);
        m_result = bConditional && m_bHasResult
                       ? MakeNode(SOrvFxExpr::Select, "?",
                                  {std::move(condition), std::move(value), std::move(m_result)})
                       : std::move(value);
        m_bHasResult = true;
        if (!pCondition)
            m_bReturnedAlways = true;
        else
        {
            m_returned = m_bReturnedSometimes
                             ? MakeNode(SOrvFxExpr::Binary, "||", {m_returned, *pCondition})
                             : *pCondition;
            m_bReturnedSometimes = true;
        }
        return Grow(m_result);
    }

    bool If(const SOrvFxExpr* pCondition)
    {
        ++m_uPos;
        if (!IsPunct("("))
            return Fail("'(' expected after 'if'");
        SOrvFxExpr test;
        size_t uClose = FindAtDepth0(m_uPos + 1, m_uEnd, {")"});
        ++m_uPos;
        if (!Expression(uClose, test) || !Expect(")"))
            return false;
        SOrvFxExpr notTest = MakeNode(SOrvFxExpr::Unary, "!", {test});
        SOrvFxExpr whenTrue =
            pCondition ? MakeNode(SOrvFxExpr::Binary, "&&", {*pCondition, test}) : std::move(test);
        if (!Statement(&whenTrue))
            return false;
        if (!IsIdentifier() || Text() != "else")
            return true;
        ++m_uPos;
        SOrvFxExpr whenFalse =
            pCondition ? MakeNode(SOrvFxExpr::Binary, "&&", {*pCondition, std::move(notTest)})
                       : std::move(notTest);
        return Statement(&whenFalse);
    }

    // Where a statement takes effect: under its if conditions, and where no return came
    // first. False when that is everywhere.
    bool Live(const SOrvFxExpr* pCondition, SOrvFxExpr& condition) const
    {
        if (!pCondition && !m_bReturnedSometimes)
            return false;
        SOrvFxExpr notReturned = MakeNode(SOrvFxExpr::Unary, "!", {m_returned});
        if (!pCondition)
            condition = std::move(notReturned);
        else if (!m_bReturnedSometimes)
            condition = *pCondition;
        else
            condition = MakeNode(SOrvFxExpr::Binary, "&&", {*pCondition, std::move(notReturned)});
        return true;
    }

    // Tokens [m_uPos, uEnd) as an expression of the locals, with the calls inside inlined.
    bool Expression(size_t uEnd, SOrvFxExpr& out)
    {
        std::string sError;
        if (uEnd >= m_uEnd || !OrvFxParseExpression(m_tokens, m_uPos, uEnd, out, sError))
            return Fail(sError.empty() ? "value expected" : sError);
        m_uPos = uEnd;
        return m_owner.InlineNode(out, &m_locals) && Grow(out);
    }

    bool Grow(const SOrvFxExpr& expr)
    {
        return CountNodes(expr) <= s_uMaxNodes || Fail("its value grows too large");
    }

    COrvFxInliner& m_owner;
    const std::vector<SOrvFxToken>& m_tokens;
    const std::string& m_sName;
    const SOrvFxFunction& m_function;
    size_t m_uPos = 0;
    size_t m_uEnd = 0;
    CLocals m_locals; // the Name of each local's current version
    std::map<std::string, SLocalType> m_types;
    std::vector<std::pair<std::string, SOrvFxExpr>> m_aBindings; // the versions, in order
    std::vector<std::vector<std::string>*> m_apDeclared;
    SOrvFxExpr m_result;
    bool m_bHasResult = false;
    SOrvFxExpr m_returned; // where a return came already, when m_bReturnedSometimes
    bool m_bReturnedSometimes = false;
    bool m_bReturnedAlways = false;
};

COrvFxInliner::COrvFxInliner(const std::vector<SOrvFxToken>& tokens,
                             const COrvFxFunctions& functions)
    : m_tokens(tokens), m_functions(functions)
{
}

bool COrvFxInliner::Calls(const SOrvFxExpr& expr) const
{
    if (expr.m_eOp == SOrvFxExpr::Call && m_functions.count(expr.m_sText))
        return true;
    return std::any_of(expr.m_aArgs.begin(), expr.m_aArgs.end(),
                       [&](const SOrvFxExpr& arg) { return Calls(arg); });
}

bool COrvFxInliner::Inline(SOrvFxExpr& expr, std::string& sError)
{
    m_sError.clear();
    m_asStack.clear();
    bool bOk = InlineNode(expr, nullptr);
    sError = m_sError;
    return bOk;
}

bool COrvFxInliner::Fail(const std::string& sMessage)
{
    if (m_sError.empty())
        m_sError = sMessage;
    return false;
}

bool COrvFxInliner::InlineNode(SOrvFxExpr& expr, const CLocals* pLocals)
{
    if (expr.m_eOp == SOrvFxExpr::Name && pLocals)
    {
        auto it = pLocals->find(expr.m_sText);
        if (it != pLocals->end())
        {
            int iLine = expr.m_iLine;
            expr = it->second;
            expr.m_iLine = iLine;
            return true;
        }
    }
    for (SOrvFxExpr& arg : expr.m_aArgs)
        if (!InlineNode(arg, pLocals))
            return false;
    if (expr.m_eOp != SOrvFxExpr::Call || OrvFxIsIntrinsic(expr.m_sText))
        return true;
    if (m_functions.count(expr.m_sText))
        return InlineCall(expr);
    // Texture reads and the like need the GPU: the function is named with what it calls.
    return m_asStack.empty() ||
           Fail("'" + m_asStack.back() + "' cannot be evaluated when the pass begins: it calls '" +
                expr.m_sText + "'");
}

bool COrvFxInliner::InlineCall(SOrvFxExpr& call)
{
    const std::string sName = call.m_sText;
    if (std::find(m_asStack.begin(), m_asStack.end(), sName) != m_asStack.end())
        return Fail("'" + sName + "' cannot be evaluated when the pass begins: it calls itself");
    if (m_asStack.size() >= s_uMaxDepth)
        return Fail("'" + sName +
                    "' cannot be evaluated when the pass begins: calls nested too "
                    "deeply");
    auto range = m_functions.equal_range(sName);
    for (auto it = range.first; it != range.second; ++it)
    {
        CRun run(*this, it->first, it->second);
        if (run.CountParameters() != int(call.m_aArgs.size()))
            continue;
        m_asStack.push_back(sName);
        SOrvFxExpr result;
        bool bOk = run.Run(call.m_aArgs, result);
        m_asStack.pop_back();
        if (!bOk)
            return false;
        result.m_iLine = call.m_iLine;
        call = std::move(result);
        return true;
    }
    return Fail("no '" + sName + "' takes " + std::to_string(call.m_aArgs.size()) + " arguments");
}

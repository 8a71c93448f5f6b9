#include "FxExpression.h"

#include "FxIntrinsics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace
{
constexpr int s_iMaxDepth = 200;
constexpr int s_iMaxNodes = 200000;

// Scalar, vector and matrix type names: float, half3, int2, bool, float4x4, double, uint...
bool ParseTypeName(const std::string& sName, size_t& uComponents, char& cKind)
{
    static const char* const s_apBases[] = {"float", "half", "double", "int",
                                            "uint",  "bool", "dword",  "fixed"};
    for (const char* pBase : s_apBases)
    {
        size_t uLength = std::strlen(pBase);
        if (sName.compare(0, uLength, pBase) != 0)
            continue;
        std::string sRest = sName.substr(uLength);
        cKind = pBase[0] == 'i' || pBase[0] == 'u' || pBase[0] == 'd' ? 'i'
                : pBase[0] == 'b'                                     ? 'b'
                                                                      : 'f';
        if (pBase[0] == 'd' && pBase[1] == 'o')
            cKind = 'f'; // double
        if (sRest.empty())
            uComponents = 1;
        else if (sRest.size() == 1 && sRest[0] >= '1' && sRest[0] <= '4')
            uComponents = size_t(sRest[0] - '0');
        else if (sRest.size() == 3 && sRest[1] == 'x' && sRest[0] >= '1' && sRest[0] <= '4' &&
                 sRest[2] >= '1' && sRest[2] <= '4')
            uComponents = size_t(sRest[0] - '0') * size_t(sRest[2] - '0');
        else
            continue;
        return true;
    }
    return false;
}

class CParser
{
public:
    CParser(const std::vector<SOrvFxToken>& tokens, size_t uBegin, size_t uEnd)
        : m_tokens(tokens), m_uPos(uBegin), m_uEnd(uEnd)
    {
    }

    bool ParseAll(SOrvFxExpr& expr, std::string& sError)
    {
        bool bOk = Conditional(expr) && m_iNodes <= s_iMaxNodes &&
                   (m_uPos == m_uEnd || Fail("unexpected '" + Text() + "'"));
        sError = m_sError;
        return bOk;
    }

private:
    const SOrvFxToken* Peek(size_t uAhead = 0) const
    {
        return m_uPos + uAhead < m_uEnd ? &m_tokens[m_uPos + uAhead] : nullptr;
    }
    std::string Text() const { return Peek() ? Peek()->m_sText : std::string("end"); }
    bool IsPunct(const char* p, size_t uAhead = 0) const
    {
        const SOrvFxToken* pToken = Peek(uAhead);
        return pToken && pToken->m_eKind == EOrvFxToken::Punct && pToken->m_sText == p;
    }
    // "<<" and ">>" come from the lexer as two adjacent tokens.
    bool IsShift(const char* p) const
    {
        return IsPunct(p) && IsPunct(p, 1) && Peek()->m_uEnd == Peek(1)->m_uBegin;
    }
    bool Fail(const std::string& sMessage)
    {
        if (m_sError.empty())
            m_sError = sMessage;
        return false;
    }
    SOrvFxExpr Make(SOrvFxExpr::EOp eOp, std::string sText, std::vector<SOrvFxExpr> args)
    {
        if (++m_iNodes > s_iMaxNodes)
            Fail("expression too long");
        SOrvFxExpr expr;
        expr.m_eOp = eOp;
        expr.m_sText = std::move(sText);
        expr.m_aArgs = std::move(args);
        expr.m_iLine = m_iLine;
        return expr;
    }
    bool Enter()
    {
        if (++m_iDepth > s_iMaxDepth)
            return Fail("expression nested too deeply");
        if (Peek())
            m_iLine = Peek()->m_iLine;
        return true;
    }

    bool Conditional(SOrvFxExpr& out)
    {
        if (!Enter() || !Binary(out, 0))
            return false;
        if (IsPunct("?"))
        {
            ++m_uPos;
            SOrvFxExpr a, b;
            if (!Conditional(a))
                return false;
            if (!IsPunct(":"))
                return Fail("':' expected in '? :'");
            ++m_uPos;
            if (!Conditional(b))
                return false;
            out = Make(SOrvFxExpr::Select, "?", {std::move(out), std::move(a), std::move(b)});
        }
        --m_iDepth;
        return true;
    }

    // Binary operators by precedence level, loosest first.
    bool MatchOperator(int iLevel, std::string& sOp)
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
        for (const char* pOp : s_aapLevels[iLevel])
        {
            if (!pOp)
                continue;
            std::string sCandidate = pOp;
            if (sCandidate == "<<" || sCandidate == ">>")
            {
                if (!IsShift(sCandidate.substr(0, 1).c_str()))
                    continue;
                m_uPos += 2;
            }
            else if (!IsPunct(pOp) || ((sCandidate == "<" || sCandidate == ">") && IsShift(pOp)))
                continue;
            else
                ++m_uPos;
            sOp = sCandidate;
            return true;
        }
        return false;
    }

    bool Binary(SOrvFxExpr& out, int iLevel)
    {
        if (iLevel == 10)
            return UnaryExpr(out);
        if (!Binary(out, iLevel + 1))
            return false;
        std::string sOp;
        int iChain = 0;
        while (MatchOperator(iLevel, sOp))
        {
            if (++iChain > s_iMaxDepth)
                return Fail("expression too long");
            SOrvFxExpr rhs;
            if (!Binary(rhs, iLevel + 1))
                return false;
            out = Make(SOrvFxExpr::Binary, sOp, {std::move(out), std::move(rhs)});
            if (m_iNodes > s_iMaxNodes)
                return false;
        }
        return true;
    }

    bool UnaryExpr(SOrvFxExpr& out)
    {
        if (!Enter())
            return false;
        bool bOk = true;
        size_t uComponents = 0;
        char cKind = 0;
        if (IsPunct("-") || IsPunct("+") || IsPunct("!") || IsPunct("~"))
        {
            std::string sOp = m_tokens[m_uPos++].m_sText;
            SOrvFxExpr operand;
            bOk = UnaryExpr(operand);
            out = Make(SOrvFxExpr::Unary, sOp, {std::move(operand)});
        }
        else if (IsPunct("(") && Peek(1) && Peek(1)->m_eKind == EOrvFxToken::Identifier &&
                 IsPunct(")", 2) && ParseTypeName(Peek(1)->m_sText, uComponents, cKind) && Peek(3))
        {
            // A cast: (int)x, (float4)0.
            std::string sType = Peek(1)->m_sText;
            m_uPos += 3;
            SOrvFxExpr operand;
            bOk = UnaryExpr(operand);
            out = Make(SOrvFxExpr::Unary, sType, {std::move(operand)});
            OrvFxDescribeCast(out);
        }
        else
            bOk = Postfix(out);
        --m_iDepth;
        return bOk;
    }

    bool Postfix(SOrvFxExpr& out)
    {
        if (!Primary(out))
            return false;
        int iChain = 0;
        for (;;)
        {
            if (m_iNodes > s_iMaxNodes || ++iChain > s_iMaxDepth)
                return Fail("expression too long");
            if (IsPunct("["))
            {
                ++m_uPos;
                SOrvFxExpr index;
                if (!Conditional(index))
                    return false;
                if (!IsPunct("]"))
                    return Fail("']' expected");
                ++m_uPos;
                out = Make(SOrvFxExpr::Index, "[]", {std::move(out), std::move(index)});
            }
            else if (IsPunct(".") && Peek(1) && Peek(1)->m_eKind == EOrvFxToken::Identifier)
            {
                std::string sSwizzle = Peek(1)->m_sText;
                m_uPos += 2;
                out = Make(SOrvFxExpr::Swizzle, sSwizzle, {std::move(out)});
            }
            else
                return true;
        }
    }

    bool Arguments(std::vector<SOrvFxExpr>& args, const char* pClose)
    {
        ++m_uPos;
        while (!IsPunct(pClose))
        {
            SOrvFxExpr arg;
            if (!Conditional(arg))
                return false;
            args.push_back(std::move(arg));
            if (IsPunct(","))
                ++m_uPos;
            else if (!IsPunct(pClose))
                return Fail(std::string("'") + pClose + "' expected, found '" + Text() + "'");
        }
        ++m_uPos;
        return true;
    }

    bool Primary(SOrvFxExpr& out)
    {
        const SOrvFxToken* pToken = Peek();
        if (!pToken)
            return Fail("value expected");
        out = Make(SOrvFxExpr::Constant, std::string(), {});
        if (pToken->m_eKind == EOrvFxToken::Number)
        {
            ++m_uPos;
            out.m_adValue.push_back(0.0);
            return OrvFxParseNumber(pToken->m_sText, out.m_adValue[0]) ||
                   Fail("'" + pToken->m_sText + "' is no number");
        }
        if (IsPunct("("))
        {
            ++m_uPos;
            if (!Conditional(out))
                return false;
            // The comma operator: every part is evaluated, the last one is the value.
            for (int iChain = 0; IsPunct(","); ++iChain)
            {
                ++m_uPos;
                SOrvFxExpr next;
                if (iChain > s_iMaxDepth)
                    return Fail("expression too long");
                if (!Conditional(next))
                    return false;
                out = Make(SOrvFxExpr::Binary, ",", {std::move(out), std::move(next)});
            }
            if (!IsPunct(")"))
                return Fail("')' expected, found '" + Text() + "'");
            ++m_uPos;
            return true;
        }
        if (IsPunct("{"))
        {
            out.m_eOp = SOrvFxExpr::List;
            return Arguments(out.m_aArgs, "}");
        }
        if (pToken->m_eKind != EOrvFxToken::Identifier)
            return Fail("unexpected '" + pToken->m_sText + "'");
        ++m_uPos;
        const std::string& sName = pToken->m_sText;
        if (sName == "true" || sName == "TRUE" || sName == "false" || sName == "FALSE")
        {
            out.m_adValue.push_back(sName[0] == 't' || sName[0] == 'T' ? 1.0 : 0.0);
            return true;
        }
        size_t uComponents = 0;
        char cKind = 0;
        if (IsPunct("("))
        {
            // Calls of functions other than intrinsics are kept: the effect's own functions
            // are inlined into state values, and any other call fails when evaluated.
            bool bType = ParseTypeName(sName, uComponents, cKind);
            out.m_eOp = bType ? SOrvFxExpr::List : SOrvFxExpr::Call;
            out.m_sText = sName;
            OrvFxDescribeCast(out);
            return Arguments(out.m_aArgs, ")");
        }
        out.m_eOp = SOrvFxExpr::Name;
        out.m_sText = sName;
        return true;
    }

    const std::vector<SOrvFxToken>& m_tokens;
    size_t m_uPos;
    size_t m_uEnd;
    int m_iDepth = 0;
    int m_iNodes = 0;
    int m_iLine = 0;
    std::string m_sError;
};

using CValues = std::vector<double>;

int64_t ToInteger(double f)
{
    if (!(f == f))
        return 0;
    return int64_t(std::clamp(f, -9.0e18, 9.0e18));
}

bool ApplyBinary(const std::string& sOp, const CValues& a, const CValues& b, CValues& out)
{
    auto integer = [&](auto op)
    {
        return OrvFxElementwise(
            a, b, out, [&](double x, double y) { return double(op(ToInteger(x), ToInteger(y))); });
    };
    auto shift = [](int64_t y) { return int(std::clamp<int64_t>(y, 0, 62)); };
    if (sOp == ",")
    {
        out = b;
        return true;
    }
    if (sOp == "+")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return x + y; });
    if (sOp == "-")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return x - y; });
    if (sOp == "*")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return x * y; });
    if (sOp == "/")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return x / y; });
    if (sOp == "%")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return std::fmod(x, y); });
    if (sOp == "<")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x < y); });
    if (sOp == ">")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x > y); });
    if (sOp == "<=")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x <= y); });
    if (sOp == ">=")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x >= y); });
    if (sOp == "==")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x == y); });
    if (sOp == "!=")
        return OrvFxElementwise(a, b, out, [](double x, double y) { return double(x != y); });
    if (sOp == "&&")
        return OrvFxElementwise(a, b, out,
                                [](double x, double y) { return double(x != 0 && y != 0); });
    if (sOp == "||")
        return OrvFxElementwise(a, b, out,
                                [](double x, double y) { return double(x != 0 || y != 0); });
    if (sOp == "|")
        return integer([](int64_t x, int64_t y) { return x | y; });
    if (sOp == "&")
        return integer([](int64_t x, int64_t y) { return x & y; });
    if (sOp == "^")
        return integer([](int64_t x, int64_t y) { return x ^ y; });
    if (sOp == "<<")
        return integer([&](int64_t x, int64_t y) { return int64_t(uint64_t(x) << shift(y)); });
    if (sOp == ">>")
        return integer([&](int64_t x, int64_t y) { return x >> shift(y); });
    return false;
}

// A cast: a scalar widens to every component, a longer value keeps its first ones.
bool ApplyCast(size_t uComponents, char cKind, CValues& values)
{
    if (values.empty())
        return false;
    if (values.size() == 1)
        values.assign(uComponents, values[0]);
    else if (values.size() > uComponents)
        values.resize(uComponents);
    if (cKind == 'i')
        for (double& f : values)
            f = double(ToInteger(f));
    else if (cKind == 'b')
        for (double& f : values)
            f = double(f != 0);
    return true;
}

bool ApplyUnary(const SOrvFxExpr& expr, CValues& values)
{
    if (expr.m_uCastComponents)
        return ApplyCast(expr.m_uCastComponents, expr.m_cCastKind, values);
    const std::string& sOp = expr.m_sText;
    if (sOp == "-")
        for (double& f : values)
            f = -f;
    else if (sOp == "!")
        for (double& f : values)
            f = double(f == 0);
    else if (sOp == "~")
        for (double& f : values)
            f = double(~ToInteger(f));
    else if (sOp != "+")
    {
        size_t uComponents = 0;
        char cKind = 0;
        return ParseTypeName(sOp, uComponents, cKind) && ApplyCast(uComponents, cKind, values);
    }
    return true;
}

// The working values of an evaluation come from a per-thread pool and go back to it, so
// that the expressions a pass evaluates at every BeginPass allocate nothing once warm.
template <class T> class CPooled
{
public:
    CPooled()
    {
        std::vector<T>& pool = Pool();
        if (!pool.empty())
        {
            m_value = std::move(pool.back());
            pool.pop_back();
        }
    }
    ~CPooled()
    {
        std::vector<T>& pool = Pool();
        if (pool.size() < 256)
            pool.push_back(std::move(m_value));
    }
    CPooled(const CPooled&) = delete;
    CPooled& operator=(const CPooled&) = delete;
    T& operator*() { return m_value; }
    T* operator->() { return &m_value; }

private:
    static std::vector<T>& Pool()
    {
        thread_local std::vector<T> s_pool;
        return s_pool;
    }
    T m_value;
};

class CEvaluator
{
public:
    CEvaluator(const IOrvFxNameResolver& resolver, std::string& sError)
        : m_resolver(resolver), m_sError(sError)
    {
    }

    bool Run(const SOrvFxExpr& expr, CValues& out, int iDepth = 0)
    {
        if (iDepth > s_iMaxDepth)
            return Fail("expression nested too deeply");
        switch (expr.m_eOp)
        {
        case SOrvFxExpr::Constant:
            out = expr.m_adValue;
            return true;
        case SOrvFxExpr::Name:
        {
            size_t uPerElement = 0;
            return FindLocal(expr.m_sText, out) ||
                   m_resolver.Resolve(expr.m_sText, out, uPerElement) ||
                   Fail("'" + expr.m_sText + "' is unknown here");
        }
        case SOrvFxExpr::Let:
        {
            CPooled<CValues> value;
            if (!Run(expr.m_aArgs[0], *value, iDepth + 1))
                return false;
            m_aLocals.emplace_back(&expr.m_sText, &*value);
            bool bOk = Run(expr.m_aArgs[1], out, iDepth + 1);
            m_aLocals.pop_back();
            return bOk;
        }
        case SOrvFxExpr::Index:
            return RunIndex(expr, out, iDepth);
        case SOrvFxExpr::Swizzle:
            return RunSwizzle(expr, out, iDepth);
        case SOrvFxExpr::Unary:
            return Run(expr.m_aArgs[0], out, iDepth + 1) &&
                   (ApplyUnary(expr, out) || Fail("cannot apply '" + expr.m_sText + "'"));
        case SOrvFxExpr::Binary:
        {
            CPooled<CValues> a, b;
            return Run(expr.m_aArgs[0], *a, iDepth + 1) && Run(expr.m_aArgs[1], *b, iDepth + 1) &&
                   (ApplyBinary(expr.m_sText, *a, *b, out) ||
                    Fail("cannot apply '" + expr.m_sText + "'"));
        }
        case SOrvFxExpr::Select:
        {
            CPooled<CValues> condition, a, b, pick;
            if (!Run(expr.m_aArgs[0], *condition, iDepth + 1) ||
                !Run(expr.m_aArgs[1], *a, iDepth + 1) || !Run(expr.m_aArgs[2], *b, iDepth + 1))
                return false;
            if (!OrvFxElementwise(*condition, *a, *pick, [](double c, double) { return c; }))
                return Fail("empty condition");
            out.resize(pick->size());
            for (size_t i = 0; i < pick->size(); ++i)
            {
                const CValues& chosen = (*pick)[i] != 0 ? *a : *b;
                if (chosen.empty())
                    return Fail("empty value in '? :'");
                out[i] = chosen[std::min(i, chosen.size() - 1)];
            }
            return true;
        }
        case SOrvFxExpr::List:
        case SOrvFxExpr::Call:
            return RunList(expr, out, iDepth);
        }
        return false;
    }

private:
    bool Fail(const std::string& sMessage)
    {
        if (m_sError.empty())
            m_sError = sMessage;
        return false;
    }

    // The innermost Let of that name, if any.
    bool FindLocal(const std::string& sName, CValues& out) const
    {
        for (auto it = m_aLocals.rbegin(); it != m_aLocals.rend(); ++it)
            if (*it->first == sName)
            {
                out = *it->second;
                return true;
            }
        return false;
    }

    bool RunList(const SOrvFxExpr& expr, CValues& out, int iDepth)
    {
        if (expr.m_eOp == SOrvFxExpr::Call)
        {
            CPooled<std::vector<CValues>> args;
            args->resize(expr.m_aArgs.size());
            for (size_t i = 0; i < args->size(); ++i)
                if (!Run(expr.m_aArgs[i], (*args)[i], iDepth + 1))
                    return false;
            FOrvFxIntrinsic pIntrinsic =
                expr.m_pIntrinsic ? expr.m_pIntrinsic : OrvFxFindIntrinsic(expr.m_sText);
            if (!pIntrinsic)
                return Fail("'" + expr.m_sText + "' cannot be evaluated here");
            return pIntrinsic(*args, out) ||
                   Fail("cannot evaluate '" + expr.m_sText + "' with these arguments");
        }
        // A constructor or brace list: the arguments' values one after the other.
        out.clear();
        CPooled<CValues> arg;
        for (const SOrvFxExpr& argExpr : expr.m_aArgs)
        {
            if (!Run(argExpr, *arg, iDepth + 1))
                return false;
            out.insert(out.end(), arg->begin(), arg->end());
        }
        if (expr.m_sText.empty())
            return true;
        return ApplyUnary(expr, out) || Fail("empty constructor");
    }

    bool RunIndex(const SOrvFxExpr& expr, CValues& out, int iDepth)
    {
        CValues base, index;
        size_t uPerElement = 0;
        const SOrvFxExpr& baseExpr = expr.m_aArgs[0];
        if (baseExpr.m_eOp == SOrvFxExpr::Name && !FindLocal(baseExpr.m_sText, base))
        {
            if (!m_resolver.Resolve(baseExpr.m_sText, base, uPerElement))
                return Fail("'" + baseExpr.m_sText + "' is unknown here");
        }
        else if (!Run(baseExpr, base, iDepth + 1))
            return false;
        if (!Run(expr.m_aArgs[1], index, iDepth + 1) || index.empty())
            return false;
        uPerElement = std::max<size_t>(uPerElement, 1);
        size_t uElements = base.size() / uPerElement;
        if (uElements == 0)
            return Fail("index into an empty value");
        int64_t iIndex = std::clamp<int64_t>(ToInteger(index[0]), 0, int64_t(uElements - 1));
        out.assign(base.begin() + std::ptrdiff_t(size_t(iIndex) * uPerElement),
                   base.begin() + std::ptrdiff_t(size_t(iIndex + 1) * uPerElement));
        return true;
    }

    bool RunSwizzle(const SOrvFxExpr& expr, CValues& out, int iDepth)
    {
        CPooled<CValues> base;
        if (!Run(expr.m_aArgs[0], *base, iDepth + 1))
            return false;
        // A matrix's members (_m21, _34) count its columns from its size: square ones only.
        size_t uSize = base->size();
        size_t uColumns = uSize == 16 ? 4 : uSize == 9 ? 3 : uSize == 4 ? 2 : 0;
        CPooled<std::vector<size_t>> auIndices;
        if (!OrvFxMemberIndices(expr.m_sText, uColumns, *auIndices))
            return Fail("'." + expr.m_sText + "' cannot be evaluated");
        out.clear();
        for (size_t uIndex : *auIndices)
        {
            if (uIndex >= uSize)
                return Fail("'." + expr.m_sText + "' cannot be evaluated");
            out.push_back((*base)[uIndex]);
        }
        return true;
    }

    const IOrvFxNameResolver& m_resolver;
    std::string& m_sError;
    std::vector<std::pair<const std::string*, const CValues*>> m_aLocals; // Lets entered
};
} // namespace

void OrvFxDescribeCast(SOrvFxExpr& expr)
{
    size_t uComponents = 0;
    char cKind = 0;
    if (expr.m_eOp == SOrvFxExpr::Call)
        expr.m_pIntrinsic = OrvFxFindIntrinsic(expr.m_sText);
    else if ((expr.m_eOp == SOrvFxExpr::Unary || expr.m_eOp == SOrvFxExpr::List) &&
             ParseTypeName(expr.m_sText, uComponents, cKind))
    {
        expr.m_uCastComponents = uint8_t(uComponents);
        expr.m_cCastKind = cKind;
    }
}

bool OrvFxParseExpression(const std::vector<SOrvFxToken>& tokens, size_t uBegin, size_t uEnd,
                          SOrvFxExpr& expr, std::string& sError)
{
    if (uBegin >= uEnd)
    {
        sError = "value expected";
        return false;
    }
    CParser parser(tokens, uBegin, std::min(uEnd, tokens.size()));
    return parser.ParseAll(expr, sError);
}

bool OrvFxEvaluate(const SOrvFxExpr& expr, const IOrvFxNameResolver& resolver,
                   std::vector<double>& afValue, std::string& sError)
{
    CEvaluator evaluator(resolver, sError);
    return evaluator.Run(expr, afValue);
}

bool OrvFxMemberIndices(const std::string& sMembers, size_t uColumns,
                        std::vector<size_t>& auIndices)
{
    auIndices.clear();
    if (sMembers.empty() || sMembers[0] != '_')
    {
        for (char c : sMembers)
        {
            const char* pXyzw = std::strchr("xyzw", c);
            const char* pRgba = std::strchr("rgba", c);
            if (!c || (!pXyzw && !pRgba))
                return false;
            auIndices.push_back(pXyzw ? size_t(pXyzw - "xyzw") : size_t(pRgba - "rgba"));
        }
        return auIndices.size() <= 4;
    }
    // _m00 counts rows and columns from 0, _11 from 1.
    for (size_t i = 0; i < sMembers.size();)
    {
        bool bZero = sMembers.compare(i, 2, "_m") == 0;
        size_t uDigits = i + (bZero ? 2 : 1);
        if (sMembers[i] != '_' || uDigits + 2 > sMembers.size() || uColumns == 0)
            return false;
        int iRow = sMembers[uDigits] - (bZero ? '0' : '1');
        int iColumn = sMembers[uDigits + 1] - (bZero ? '0' : '1');
        if (iRow < 0 || iRow > 3 || iColumn < 0 || size_t(iColumn) >= uColumns)
            return false;
        auIndices.push_back(size_t(iRow) * uColumns + size_t(iColumn));
        i = uDigits + 2;
    }
    return auIndices.size() <= 4;
}

bool OrvFxParseNumber(const std::string& sText, double& fValue)
{
    std::string s = sText;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    {
        while (!s.empty() &&
               (s.back() == 'u' || s.back() == 'U' || s.back() == 'l' || s.back() == 'L'))
            s.pop_back();
        unsigned long long uValue = 0;
        auto result = std::from_chars(s.data() + 2, s.data() + s.size(), uValue, 16);
        fValue = static_cast<double>(uValue);
        return result.ec == std::errc() && result.ptr == s.data() + s.size();
    }
    while (!s.empty() && std::strchr("fFhHlLuU", s.back()) != nullptr)
        s.pop_back();
    auto result = std::from_chars(s.data(), s.data() + s.size(), fValue);
    if (result.ec == std::errc::result_out_of_range && result.ptr == s.data() + s.size())
    {
        bool bTiny = s.find("e-") != std::string::npos || s.find("E-") != std::string::npos;
        fValue = bTiny ? 0.0 : std::numeric_limits<double>::infinity();
        return true;
    }
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

bool OrvFxParseNumber(const std::string& sText, float& fValue)
{
    double d = 0;
    if (!OrvFxParseNumber(sText, d))
        return false;
    fValue = float(d);
    return true;
}

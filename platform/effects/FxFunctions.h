#pragma once

#include "FxExpression.h"
#include "FxLexer.h"

#include <map>
#include <string>
#include <vector>

// A function of an effect file, as the tokens of its parameters and body.
struct SOrvFxFunction
{
    std::string m_sReturnType;
    size_t m_uParametersBegin = 0; // the token after '('
    size_t m_uParametersEnd = 0;   // the ')'
    size_t m_uBodyBegin = 0;       // the token after '{'
    size_t m_uBodyEnd = 0;         // the '}'
    int m_iLine = 0;
};

using COrvFxFunctions = std::multimap<std::string, SOrvFxFunction>;

// State values computed by the effect's own functions ("ZEnable = ChooseZEnable();"), which
// the native compiler turns into code that runs on the CPU when a pass begins. Here each
// call is replaced by one expression of its arguments and of the parameters the function
// reads: every assignment binds a new version of its local (a Let, so that a value used
// twice is computed once), an assignment or a return under an if becomes a choice (? :),
// and the function's return type casts the result. The expression is then evaluated
// like any other state value: folded when it reads no parameter, else when the pass begins
// and when CommitChanges finds a parameter changed.
//
// What a function may contain: local declarations, assignments (=, +=, -=, *=, /=, to a
// local, a parameter of the function or a swizzle of one), ++ and --, if/else, blocks and
// return. Loops, recursion, out parameters and anything else are refused with the
// function's name, as is a function whose expression would grow too large.
class COrvFxInliner
{
public:
    COrvFxInliner(const std::vector<SOrvFxToken>& tokens, const COrvFxFunctions& functions);

    // True when expr calls one of the functions.
    bool Calls(const SOrvFxExpr& expr) const;

    // Replaces the calls; false with the function and the reason in sError.
    bool Inline(SOrvFxExpr& expr, std::string& sError);

    // Nodes an inlined expression may have.
    static constexpr size_t s_uMaxNodes = 20000;
    // Calls inside calls.
    static constexpr size_t s_uMaxDepth = 16;

private:
    class CRun;
    friend class CRun;
    bool InlineNode(SOrvFxExpr& expr, const std::map<std::string, SOrvFxExpr>* pLocals);
    bool InlineCall(SOrvFxExpr& call);
    bool Fail(const std::string& sMessage);

    const std::vector<SOrvFxToken>& m_tokens;
    const COrvFxFunctions& m_functions;
    std::vector<std::string> m_asStack; // the functions being inlined
    size_t m_uVersions = 0;             // of locals, each assignment making one (named "@name#n")
    std::string m_sError;
};

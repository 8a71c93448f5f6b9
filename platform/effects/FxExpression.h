#pragma once

#include "FxIntrinsics.h"
#include "FxLexer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Expressions of an effect file outside the shader code: initial values, array sizes,
// annotation values and the right-hand sides of state assignments. Values are lists of
// numbers (doubles, so that 32-bit colours stay exact) worked on element by element (a scalar
// widens to the other side's length), as the effect framework of Direct3D 9 evaluates them:
//
//   numbers, true/false, names (parameters, static constants, state values such as CCW),
//   Name[index], value.xyz, constructors float4(...), brace lists {...}, casts (int)x,
//   unary - + ! ~, * / %, + -, << >>, < > <= >=, == !=, & ^ |, && ||, ?:, the comma operator
//   in parentheses, and the pure numeric intrinsics of HLSL (FxIntrinsics.h). Calls of other
//   functions parse (the parser inlines the effect's own functions into state values) and
//   fail when evaluated.
struct SOrvFxExpr
{
    enum EOp
    {
        Constant, // m_adValue
        Name,     // m_sText
        Index,    // m_aArgs[0][m_aArgs[1]]
        Swizzle,  // m_aArgs[0].m_sText
        Unary,    // m_sText: "-", "+", "!", "~", or a cast's type name
        Binary,   // m_sText: the operator
        Select,   // m_aArgs[0] ? m_aArgs[1] : m_aArgs[2]
        List,     // constructor or brace list: the arguments one after the other
        Call,     // m_sText: function
        Let,      // m_sText = m_aArgs[0] while m_aArgs[1] is evaluated (inlined functions)
    };
    EOp m_eOp = Constant;
    std::string m_sText;
    // Of a cast or a typed constructor, read from m_sText once (OrvFxDescribeCast), as values
    // of passes are evaluated at every BeginPass: components (0: none), and 'f', 'i' or 'b'.
    uint8_t m_uCastComponents = 0;
    char m_cCastKind = 0;
    FOrvFxIntrinsic m_pIntrinsic = nullptr; // of a Call, when m_sText names an intrinsic
    std::vector<double> m_adValue;
    std::vector<SOrvFxExpr> m_aArgs;
    int m_iLine = 0;
};

// Fills m_uCastComponents and m_cCastKind of a Unary or List node whose m_sText names a
// numeric type ("float4", "int", "float4x4"), and m_pIntrinsic of a Call of an intrinsic;
// leaves other nodes as they are.
void OrvFxDescribeCast(SOrvFxExpr& expr);

// Gives the values of names while evaluating. uPerElement: floats per array element (for
// Name[index]), 0 when the value is no array.
class IOrvFxNameResolver
{
public:
    virtual bool Resolve(const std::string& sName, std::vector<double>& adValue,
                         size_t& uPerElement) const = 0;

protected:
    ~IOrvFxNameResolver() = default;
};

// Parses the tokens [uBegin, uEnd). False with a message naming what went wrong.
bool OrvFxParseExpression(const std::vector<SOrvFxToken>& tokens, size_t uBegin, size_t uEnd,
                          SOrvFxExpr& expr, std::string& sError);

// Evaluates; false (with the offending name or operation in sError) when a name is unknown
// to the resolver or an operation cannot be done.
bool OrvFxEvaluate(const SOrvFxExpr& expr, const IOrvFxNameResolver& resolver,
                   std::vector<double>& adValue, std::string& sError);

// Calls f(name) for every name the expression refers to.
template <class F> void OrvFxForEachName(const SOrvFxExpr& expr, F f)
{
    if (expr.m_eOp == SOrvFxExpr::Name)
        f(expr.m_sText);
    for (const SOrvFxExpr& arg : expr.m_aArgs)
        OrvFxForEachName(arg, f);
}

// The components a swizzle (.zyx, .rgba) or a matrix's members (._m30_m31, ._41) name, for a
// value of uColumns columns (0: no matrix); false for anything else.
bool OrvFxMemberIndices(const std::string& sMembers, size_t uColumns,
                        std::vector<size_t>& auIndices);

// Reads a number as effect files write it: 1, 1.5f, .5h, 2e-3, 0x1F, 10u.
bool OrvFxParseNumber(const std::string& sText, double& dValue);
bool OrvFxParseNumber(const std::string& sText, float& fValue);

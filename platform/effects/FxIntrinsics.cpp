#include "FxIntrinsics.h"
#include "OrvPi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace
{
using CValues = std::vector<double>;
using CArgs = std::vector<CValues>;
using FHandler = bool (*)(const CArgs&, CValues&);

float F(double d)
{
    return float(d);
}

// HLSL's min and max return the number when one side is NaN (IEEE minNum and maxNum).
float MinNum(float a, float b)
{
    return std::fmin(a, b);
}
float MaxNum(float a, float b)
{
    return std::fmax(a, b);
}

template <class Op> bool Unary(const CArgs& args, CValues& out, Op op)
{
    if (args.size() != 1 || args[0].empty())
        return false;
    out.resize(args[0].size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(op(F(args[0][i])));
    return true;
}

template <class Op> bool Binary(const CArgs& args, CValues& out, Op op)
{
    return args.size() == 2 &&
           OrvFxElementwise(args[0], args[1], out,
                            [&](double x, double y) { return double(op(F(x), F(y))); });
}

// Three arguments element by element, scalars widened to the others' length.
template <class Op> bool Ternary(const CArgs& args, CValues& out, Op op)
{
    if (args.size() != 3)
        return false;
    size_t uCount = 0;
    for (const CValues& arg : args)
    {
        if (arg.empty())
            return false;
        if (arg.size() > 1)
            uCount = uCount == 0 ? arg.size() : std::min(uCount, arg.size());
    }
    uCount = std::max<size_t>(uCount, 1);
    out.resize(uCount);
    auto at = [&](size_t uArg, size_t i) { return F(args[uArg][args[uArg].size() == 1 ? 0 : i]); };
    for (size_t i = 0; i < uCount; ++i)
        out[i] = double(op(at(0, i), at(1, i), at(2, i)));
    return true;
}

// Sum of products over the shorter of two vectors (a scalar stands for every element).
bool Dot(const CValues& a, const CValues& b, float& fSum)
{
    CValues products;
    if (!OrvFxElementwise(a, b, products, [](double x, double y) { return double(F(x) * F(y)); }))
        return false;
    fSum = 0;
    for (double d : products)
        fSum += F(d);
    return true;
}

size_t SquareSide(size_t uCount)
{
    return uCount == 16 ? 4 : uCount == 9 ? 3 : uCount == 4 ? 2 : 0;
}

bool Reduce(const CArgs& args, CValues& out, size_t uArgs, float (*finish)(float))
{
    float fSum = 0;
    if (args.size() != uArgs || !Dot(args[0], args[uArgs - 1], fSum))
        return false;
    out.assign(1, double(finish(fSum)));
    return true;
}

bool Distance(const CArgs& args, CValues& out)
{
    CValues difference;
    if (args.size() != 2 ||
        !OrvFxElementwise(args[0], args[1], difference,
                          [](double x, double y) { return double(F(x) - F(y)); }))
        return false;
    return Reduce({difference}, out, 1, [](float f) { return std::sqrt(f); });
}

bool Normalize(const CArgs& args, CValues& out)
{
    float fSum = 0;
    if (args.size() != 1 || !Dot(args[0], args[0], fSum))
        return false;
    float fScale = 1.0f / std::sqrt(fSum); // 0 gives infinity, and 0 * infinity NaN, as HLSL
    out.resize(args[0].size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(F(args[0][i]) * fScale);
    return true;
}

bool Cross(const CArgs& args, CValues& out)
{
    if (args.size() != 2 || args[0].size() != 3 || args[1].size() != 3)
        return false;
    auto a = [&](size_t i) { return F(args[0][i]); };
    auto b = [&](size_t i) { return F(args[1][i]); };
    out = {double(a(1) * b(2) - a(2) * b(1)), double(a(2) * b(0) - a(0) * b(2)),
           double(a(0) * b(1) - a(1) * b(0))};
    return true;
}

// reflect(i, n) = i - 2 n dot(i, n)
bool Reflect(const CArgs& args, CValues& out)
{
    float fDot = 0;
    if (args.size() != 2 || args[0].size() != args[1].size() || !Dot(args[0], args[1], fDot))
        return false;
    out.resize(args[0].size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(F(args[0][i]) - 2.0f * F(args[1][i]) * fDot);
    return true;
}

// refract(i, n, eta): 0 on total internal reflection.
bool Refract(const CArgs& args, CValues& out)
{
    float fDot = 0;
    if (args.size() != 3 || args[2].size() != 1 || args[0].size() != args[1].size() ||
        !Dot(args[0], args[1], fDot))
        return false;
    float fEta = F(args[2][0]);
    float fK = 1.0f - fEta * fEta * (1.0f - fDot * fDot);
    out.assign(args[0].size(), 0.0);
    if (fK < 0)
        return true;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(fEta * F(args[0][i]) - (fEta * fDot + std::sqrt(fK)) * F(args[1][i]));
    return true;
}

// faceforward(n, i, ng) = -n * sign(dot(i, ng))
bool FaceForward(const CArgs& args, CValues& out)
{
    float fDot = 0;
    if (args.size() != 3 || !Dot(args[1], args[2], fDot))
        return false;
    out.resize(args[0].size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(fDot < 0 ? F(args[0][i]) : -F(args[0][i]));
    return true;
}

// lit(n.l, n.h, m) = (1, diffuse, specular, 1)
bool Lit(const CArgs& args, CValues& out)
{
    if (args.size() != 3 || args[0].size() != 1 || args[1].size() != 1 || args[2].size() != 1)
        return false;
    float fDiffuse = F(args[0][0]);
    float fHalf = F(args[1][0]);
    bool bLit = fDiffuse >= 0 && fHalf >= 0;
    out = {1.0, double(std::fmax(fDiffuse, 0.0f)),
           bLit ? double(std::pow(fHalf, F(args[2][0]))) : 0.0, 1.0};
    return true;
}

// dst(a, b) = (1, a.y * b.y, a.z, b.w), the distance vector of the fixed-function lights.
bool Dst(const CArgs& args, CValues& out)
{
    if (args.size() != 2 || args[0].size() != 4 || args[1].size() != 4)
        return false;
    out = {1.0, double(F(args[0][1]) * F(args[1][1])), double(F(args[0][2])),
           double(F(args[1][3]))};
    return true;
}

bool Transpose(const CArgs& args, CValues& out)
{
    size_t uSide = args.size() == 1 ? SquareSide(args[0].size()) : 0;
    if (args.size() == 1 && args[0].size() == 1)
    {
        out = args[0];
        return true;
    }
    if (!uSide)
        return false;
    out.resize(args[0].size());
    for (size_t r = 0; r < uSide; ++r)
        for (size_t c = 0; c < uSide; ++c)
            out[c * uSide + r] = args[0][r * uSide + c];
    return true;
}

float Determinant(const CValues& m, size_t uSide)
{
    if (uSide == 1)
        return F(m[0]);
    float fSum = 0;
    for (size_t c = 0; c < uSide; ++c)
    {
        CValues minor;
        for (size_t r = 1; r < uSide; ++r)
            for (size_t k = 0; k < uSide; ++k)
                if (k != c)
                    minor.push_back(m[r * uSide + k]);
        float fTerm = F(m[c]) * Determinant(minor, uSide - 1);
        fSum += c % 2 ? -fTerm : fTerm;
    }
    return fSum;
}

bool DeterminantOf(const CArgs& args, CValues& out)
{
    size_t uSide = args.size() == 1 ? SquareSide(args[0].size()) : 0;
    if (!uSide)
        return false;
    out.assign(1, double(Determinant(args[0], uSide)));
    return true;
}

// mul(a, b): a scalar scales; two vectors give their dot product; a vector times a square
// matrix treats the vector as a row, a matrix times a vector as a column.
bool Mul(const CArgs& args, CValues& out)
{
    if (args.size() != 2 || args[0].empty() || args[1].empty())
        return false;
    const CValues& a = args[0];
    const CValues& b = args[1];
    if (a.size() == 1 || b.size() == 1)
        return Binary(args, out, [](float x, float y) { return x * y; });
    size_t uSideA = a.size() > 4 ? SquareSide(a.size()) : 0;
    size_t uSideB = b.size() > 4 ? SquareSide(b.size()) : 0;
    if (!uSideA && !uSideB)
        return Reduce(args, out, 2, [](float f) { return f; });
    size_t uInner = uSideA ? uSideA : a.size();
    if ((uSideB ? uSideB : b.size()) != uInner)
        return false;
    size_t uRows = uSideA ? uSideA : 1;
    size_t uColumns = uSideB ? uSideB : 1;
    out.assign(uRows * uColumns, 0.0);
    for (size_t r = 0; r < uRows; ++r)
        for (size_t c = 0; c < uColumns; ++c)
        {
            float fSum = 0;
            for (size_t k = 0; k < uInner; ++k)
                fSum += F(a[r * uInner + k]) * F(b[k * uColumns + c]);
            out[r * uColumns + c] = double(fSum);
        }
    return true;
}

bool AllOrAny(const CArgs& args, CValues& out, bool bAll)
{
    if (args.size() != 1 || args[0].empty())
        return false;
    bool bResult = bAll;
    for (double d : args[0])
        bResult = bAll ? bResult && d != 0 : bResult || d != 0;
    out.assign(1, bResult ? 1.0 : 0.0);
    return true;
}

// The bits of a float as an integer and back (asint, asuint, asfloat).
double AsInteger(float f, bool bSigned)
{
    uint32_t uBits = 0;
    std::memcpy(&uBits, &f, sizeof uBits);
    return bSigned ? double(int32_t(uBits)) : double(uBits);
}

float AsFloat(double d)
{
    // A value that is an integer is taken as bits; any other is a float already.
    if (!(d == std::floor(d)) || d < -2147483648.0 || d > 4294967295.0)
        return F(d);
    uint32_t uBits = d < 0 ? uint32_t(int32_t(d)) : uint32_t(d);
    float f = 0;
    std::memcpy(&f, &uBits, sizeof f);
    return f;
}

// __orv_set(value, indices, parts): value with the components at indices replaced by parts
// (one part for all of them when it is a scalar). What an assignment to v.xz or m._41 inside
// a function inlined into a state value becomes (FxFunctions.h).
bool SetComponents(const CArgs& args, CValues& out)
{
    if (args.size() != 3 || args[2].empty())
        return false;
    out = args[0];
    for (size_t j = 0; j < args[1].size(); ++j)
    {
        double dIndex = args[1][j];
        if (!(dIndex >= 0) || dIndex >= double(out.size()))
            return false;
        out[size_t(dIndex)] = args[2][std::min(j, args[2].size() - 1)];
    }
    return true;
}

float Round(float f)
{
    return std::nearbyint(f); // halves to even, as the shader hardware rounds
}

const std::unordered_map<std::string, FHandler>& Handlers()
{
    // clang-format off
    static const std::unordered_map<std::string, FHandler> s_handlers = {
        {"abs", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::fabs(x); }); }},
        {"acos", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::acos(x); }); }},
        {"asin", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::asin(x); }); }},
        {"atan", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::atan(x); }); }},
        {"ceil", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::ceil(x); }); }},
        {"cos", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::cos(x); }); }},
        {"cosh", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::cosh(x); }); }},
        {"degrees", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return x * (180.0f / orv::fPi); }); }},
        {"exp", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::exp(x); }); }},
        {"exp2", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::exp2(x); }); }},
        {"floor", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::floor(x); }); }},
        {"frac", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return x - std::floor(x); }); }},
        {"isfinite", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return float(std::isfinite(x)); }); }},
        {"isinf", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return float(std::isinf(x)); }); }},
        {"isnan", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return float(std::isnan(x)); }); }},
        {"log", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::log(x); }); }},
        {"log10", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::log10(x); }); }},
        {"log2", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::log2(x); }); }},
        {"radians", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return x * (orv::fPi / 180.0f); }); }},
        {"rcp", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return 1.0f / x; }); }},
        {"round", [](const CArgs& a, CValues& o) { return Unary(a, o, Round); }},
        {"rsqrt", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return 1.0f / std::sqrt(x); }); }},
        {"saturate", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return x > 0 ? (x < 1 ? x : 1.0f) : 0.0f; }); }},
        {"sign", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return float((x > 0) - (x < 0)); }); }},
        {"sin", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::sin(x); }); }},
        {"sinh", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::sinh(x); }); }},
        {"sqrt", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::sqrt(x); }); }},
        {"tan", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::tan(x); }); }},
        {"tanh", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::tanh(x); }); }},
        {"trunc", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return std::trunc(x); }); }},
        {"asfloat", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return AsFloat(x); }); }},
        {"asint", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return AsInteger(x, true); }); }},
        {"asuint", [](const CArgs& a, CValues& o) { return Unary(a, o, [](float x) { return AsInteger(x, false); }); }},
        {"atan2", [](const CArgs& a, CValues& o) { return Binary(a, o, [](float y, float x) { return std::atan2(y, x); }); }},
        {"fmod", [](const CArgs& a, CValues& o) { return Binary(a, o, [](float x, float y) { return std::fmod(x, y); }); }},
        {"ldexp", [](const CArgs& a, CValues& o) { return Binary(a, o, [](float x, float e) { return x * std::exp2(e); }); }},
        {"max", [](const CArgs& a, CValues& o) { return Binary(a, o, MaxNum); }},
        {"min", [](const CArgs& a, CValues& o) { return Binary(a, o, MinNum); }},
        {"pow", [](const CArgs& a, CValues& o) { return Binary(a, o, [](float x, float y) { return std::pow(x, y); }); }},
        {"step", [](const CArgs& a, CValues& o) { return Binary(a, o, [](float y, float x) { return x >= y ? 1.0f : 0.0f; }); }},
        {"clamp", [](const CArgs& a, CValues& o) { return Ternary(a, o, [](float x, float l, float h) { return MinNum(MaxNum(x, l), h); }); }},
        {"lerp", [](const CArgs& a, CValues& o) { return Ternary(a, o, [](float x, float y, float s) { return x + (y - x) * s; }); }},
        {"mad", [](const CArgs& a, CValues& o) { return Ternary(a, o, [](float x, float y, float z) { return x * y + z; }); }},
        {"smoothstep", [](const CArgs& a, CValues& o) { return Ternary(a, o, [](float l, float h, float x) {
            float t = (x - l) / (h - l);
            t = t > 0 ? (t < 1 ? t : 1.0f) : 0.0f;
            return t * t * (3.0f - 2.0f * t); }); }},
        {"all", [](const CArgs& a, CValues& o) { return AllOrAny(a, o, true); }},
        {"any", [](const CArgs& a, CValues& o) { return AllOrAny(a, o, false); }},
        {"dot", [](const CArgs& a, CValues& o) { return Reduce(a, o, 2, [](float f) { return f; }); }},
        {"length", [](const CArgs& a, CValues& o) { return Reduce(a, o, 1, [](float f) { return std::sqrt(f); }); }},
        {"distance", Distance},
        {"normalize", Normalize},
        {"cross", Cross},
        {"reflect", Reflect},
        {"refract", Refract},
        {"faceforward", FaceForward},
        {"lit", Lit},
        {"dst", Dst},
        {"mul", Mul},
        {"transpose", Transpose},
        {"determinant", DeterminantOf},
        {"__orv_set", SetComponents},
        {"D3DCOLORtoUBYTE4", [](const CArgs& a, CValues& o) {
            if (a.size() != 1 || a[0].size() != 4)
                return false;
            o.resize(4);
            const size_t aOrder[4] = {2, 1, 0, 3}; // BGRA, as the colour sits in memory
            for (size_t i = 0; i < 4; ++i)
                o[i] = double(std::trunc(F(a[0][aOrder[i]]) * 255.001953f));
            return true; }},
    };
    // clang-format on
    return s_handlers;
}
} // namespace

FOrvFxIntrinsic OrvFxFindIntrinsic(const std::string& sName)
{
    auto it = Handlers().find(sName);
    return it == Handlers().end() ? nullptr : it->second;
}

bool OrvFxIsIntrinsic(const std::string& sName)
{
    return Handlers().count(sName) != 0;
}

bool OrvFxCallIntrinsic(const std::string& sName, const std::vector<std::vector<double>>& aArgs,
                        std::vector<double>& adOut)
{
    auto it = Handlers().find(sName);
    return it != Handlers().end() && it->second(aArgs, adOut);
}

#pragma once

#include <string>
#include <vector>

// The pure numeric intrinsic functions of HLSL, for the constant expressions of an effect file
// (initial values, annotations, array sizes, state values). They work in single precision, as
// the native compiler folds them, so that a value read back with GetValue is the one a shader
// would have computed; NaN and infinity follow HLSL's rules (sqrt(-1) and normalize(0) give
// NaN, min and max prefer the number to a NaN, saturate takes NaN to 0).
//
// Values are flat lists of numbers: vectors and matrices (row by row) alike. Where the
// shape matters (mul, transpose, determinant, cross), it is read from the count: 2, 3 and 4 are
// vectors, 9 and 16 square matrices.

// One intrinsic: false when the arguments do not fit it.
using FOrvFxIntrinsic = bool (*)(const std::vector<std::vector<double>>& aArgs,
                                 std::vector<double>& adOut);

// The intrinsic of that name, null for none (parsed calls keep it: looking it up at every
// BeginPass would cost more than many of the functions themselves).
FOrvFxIntrinsic OrvFxFindIntrinsic(const std::string& sName);

// True when sName is one of the functions below.
bool OrvFxIsIntrinsic(const std::string& sName);

// Calls an intrinsic; false when the name is none or the arguments do not fit it.
bool OrvFxCallIntrinsic(const std::string& sName, const std::vector<std::vector<double>>& aArgs,
                        std::vector<double>& adOut);

// Applies op to each pair of a and b, a scalar standing for every element of the other side
// (a longer list is cut to the shorter one's length). False when either is empty.
template <class F>
bool OrvFxElementwise(const std::vector<double>& a, const std::vector<double>& b,
                      std::vector<double>& out, F op)
{
    if (a.empty() || b.empty())
        return false;
    size_t uCount = (a.size() == 1 || b.size() == 1) ? (a.size() > b.size() ? a.size() : b.size())
                                                     : (a.size() < b.size() ? a.size() : b.size());
    out.resize(uCount);
    for (size_t i = 0; i < uCount; ++i)
        out[i] = op(a[a.size() == 1 ? 0 : i], b[b.size() == 1 ? 0 : i]);
    return true;
}

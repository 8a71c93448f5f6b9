// The blit row kernels for processors with AVX2, eight pixels per step. Only this file is
// compiled for AVX2, and it is called only after the processor was checked.

#include "surface/OrvBlitKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace orv::surface
{
namespace avx2
{
struct V
{
    using T = __m256i;
    static constexpr int kLanes = 8;
    static T Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<T*>(p), v); }
    static T Zero() { return _mm256_setzero_si256(); }
    static T Set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static T Set16(short x) { return _mm256_set1_epi16(x); }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T AndNot(T a, T b) { return _mm256_andnot_si256(a, b); }
    static T CmpEq32(T a, T b) { return _mm256_cmpeq_epi32(a, b); }
    static T CmpGt32(T a, T b) { return _mm256_cmpgt_epi32(a, b); }
    static T AddsU8(T a, T b) { return _mm256_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm256_subs_epu8(a, b); }
    static T MaxU8(T a, T b) { return _mm256_max_epu8(a, b); }
    // Unpack and pack work inside each 128-bit half, so a round trip keeps the order.
    static T UnpackLo8(T a) { return _mm256_unpacklo_epi8(a, Zero()); }
    static T UnpackHi8(T a) { return _mm256_unpackhi_epi8(a, Zero()); }
    static T Pack16(T lo, T hi) { return _mm256_packus_epi16(lo, hi); }
    static T Mul16(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T Add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T Srl16By8(T a) { return _mm256_srli_epi16(a, 8); }
    static T BroadcastAlpha16(T a)
    {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF);
    }
    static bool AllZero(T a) { return _mm256_testz_si256(a, a) != 0; }
};
#include "surface/OrvBlitRowSimd.inl"
} // namespace avx2

RowFunction SelectRowAvx2(EBlitOp op, ESkip skip)
{
    return avx2::SelectRow(op, skip);
}
} // namespace orv::surface

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

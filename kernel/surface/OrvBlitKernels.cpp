#include "surface/OrvBlitKernels.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ORV_BLIT_X86 1
#endif

namespace orv::surface
{
namespace
{
void RowScalar(EBlitOp op, ESkip skip, int f, const uint32_t* pSource, uint32_t* pDest, int n)
{
    for (int i = 0; i < n; ++i)
        if (!SkipPixel(skip, pSource[i]))
            pDest[i] = ApplyPixel(op, pSource[i], pDest[i], f);
}
} // namespace

#if ORV_BLIT_X86
namespace sse2
{
// Four pixels per step; SSE2 is part of every x86-64 processor.
struct V
{
    using T = __m128i;
    static constexpr int kLanes = 4;
    static T Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm_storeu_si128(reinterpret_cast<T*>(p), v); }
    static T Zero() { return _mm_setzero_si128(); }
    static T Set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static T Set16(short x) { return _mm_set1_epi16(x); }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T AndNot(T a, T b) { return _mm_andnot_si128(a, b); }
    static T CmpEq32(T a, T b) { return _mm_cmpeq_epi32(a, b); }
    static T CmpGt32(T a, T b) { return _mm_cmpgt_epi32(a, b); }
    static T AddsU8(T a, T b) { return _mm_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm_subs_epu8(a, b); }
    static T MaxU8(T a, T b) { return _mm_max_epu8(a, b); }
    static T UnpackLo8(T a) { return _mm_unpacklo_epi8(a, Zero()); }
    static T UnpackHi8(T a) { return _mm_unpackhi_epi8(a, Zero()); }
    static T Pack16(T lo, T hi) { return _mm_packus_epi16(lo, hi); }
    static T Mul16(T a, T b) { return _mm_mullo_epi16(a, b); }
    static T Add16(T a, T b) { return _mm_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm_sub_epi16(a, b); }
    static T Srl16By8(T a) { return _mm_srli_epi16(a, 8); }
    static T BroadcastAlpha16(T a)
    {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF);
    }
    static bool AllZero(T a) { return _mm_movemask_epi8(a) == 0; }
};
#include "surface/OrvBlitRowSimd.inl"
} // namespace sse2

namespace
{
// AVX2 where the processor has it, unless $ORV_SURFACE_SIMD is "sse2" (read once).
bool UseAvx2()
{
    const char* pChoice = std::getenv("ORV_SURFACE_SIMD");
    if (pChoice && std::strcmp(pChoice, "sse2") == 0)
        return false;
    return __builtin_cpu_supports("avx2");
}

RowFunction SelectVectorRow(EBlitOp op, ESkip skip)
{
    static const bool s_bAvx2 = UseAvx2();
    return s_bAvx2 ? SelectRowAvx2(op, skip) : sse2::SelectRow(op, skip);
}
} // namespace
#endif

void BlitRow(EBlitOp op, ESkip skip, int f, const uint32_t* pSource, uint32_t* pDest, int n)
{
    if (n <= 0)
        return;
    // A source that lies just behind its destination must see the pixels written earlier
    // in the row, as the one-pixel-at-a-time loop gives them.
    const bool bOverlapBehind = pSource < pDest && pDest < pSource + n;
#if ORV_BLIT_X86
    if (!bOverlapBehind)
    {
        SelectVectorRow(op, skip)(pSource, pDest, n, f);
        return;
    }
#else
    (void)bOverlapBehind;
#endif
    RowScalar(op, skip, f, pSource, pDest, n);
}
} // namespace orv::surface

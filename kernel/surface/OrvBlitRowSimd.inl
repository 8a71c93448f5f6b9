// Row kernels of the blits, written once over a vector type V (the including file defines
// V and the namespace). Every operation is exact in 16-bit lanes: a byte times a factor
// of at most 256, or s * a + d * (255 - a), never exceeds 65535.

template <ESkip skip> inline typename V::T SkipMask(typename V::T s)
{
    if constexpr (skip == ESkip::Dark)
    {
        const typename V::T over10 = V::And(V::SubsU8(s, V::Set32(0x0A0A0A0A)), V::Set32(0xFFFFFF));
        return V::CmpEq32(over10, V::Zero());
    }
    else if constexpr (skip == ESkip::Zero)
        return V::CmpEq32(s, V::Zero());
    else
        return V::CmpGt32(V::Set32(1), s); // signed s < 1
}

inline typename V::T ScaleBytes(typename V::T s, typename V::T factor)
{
    const typename V::T lo = V::Srl16By8(V::Mul16(V::UnpackLo8(s), factor));
    const typename V::T hi = V::Srl16By8(V::Mul16(V::UnpackHi8(s), factor));
    return V::And(V::Pack16(lo, hi), V::Set32(0xFFFFFF));
}

inline typename V::T AlphaHalf(typename V::T s16, typename V::T d16)
{
    const typename V::T a = V::BroadcastAlpha16(s16);
    const typename V::T inv = V::Sub16(V::Set16(255), a);
    return V::Srl16By8(V::Add16(V::Mul16(s16, a), V::Mul16(d16, inv)));
}

template <EBlitOp op>
inline typename V::T Compute(typename V::T s, typename V::T d, typename V::T factor)
{
    const typename V::T rgb = V::Set32(0xFFFFFF);
    if constexpr (op == EBlitOp::Copy)
        return s;
    else if constexpr (op == EBlitOp::Add)
        return V::And(V::AddsU8(s, d), rgb);
    else if constexpr (op == EBlitOp::Scale)
        return ScaleBytes(s, factor);
    else if constexpr (op == EBlitOp::AddScaled)
        return V::And(V::AddsU8(d, ScaleBytes(s, factor)), rgb);
    else if constexpr (op == EBlitOp::SubScaled)
        return V::And(V::SubsU8(d, ScaleBytes(s, factor)), rgb);
    else if constexpr (op == EBlitOp::Lighten)
        return V::And(V::MaxU8(d, ScaleBytes(s, factor)), rgb);
    else
    {
        const typename V::T lo = AlphaHalf(V::UnpackLo8(s), V::UnpackLo8(d));
        const typename V::T hi = AlphaHalf(V::UnpackHi8(s), V::UnpackHi8(d));
        return V::And(V::Pack16(lo, hi), rgb);
    }
}

template <EBlitOp op, ESkip skip>
void RowSimd(const uint32_t* pSource, uint32_t* pDest, int n, int f)
{
    const typename V::T factor = V::Set16(static_cast<short>(f));
    int i = 0;
    for (; i + V::kLanes <= n; i += V::kLanes)
    {
        const typename V::T s = V::Load(pSource + i);
        if constexpr (op == EBlitOp::Copy && skip != ESkip::None)
        {
            // The destination is read only where some pixel of the group is skipped.
            const typename V::T keep = SkipMask<skip>(s);
            if (V::AllZero(keep))
                V::Store(pDest + i, s);
            else
                V::Store(pDest + i, V::Or(V::And(keep, V::Load(pDest + i)), V::AndNot(keep, s)));
        }
        else if constexpr (op == EBlitOp::Add && skip == ESkip::Zero)
        {
            // Adding a zero pixel gives d itself: keeping its alpha is all the skip does.
            const typename V::T sum = V::AddsU8(s, V::Load(pDest + i));
            const typename V::T keepAlpha = V::CmpEq32(s, V::Zero());
            V::Store(pDest + i, V::And(sum, V::Or(keepAlpha, V::Set32(0xFFFFFF))));
        }
        else
        {
            const typename V::T d = V::Load(pDest + i);
            typename V::T result = Compute<op>(s, d, factor);
            if constexpr (skip != ESkip::None)
            {
                const typename V::T keep = SkipMask<skip>(s);
                result = V::Or(V::And(keep, d), V::AndNot(keep, result));
            }
            V::Store(pDest + i, result);
        }
    }
    for (; i < n; ++i)
        if (!SkipPixel(skip, pSource[i]))
            pDest[i] = ApplyPixel(op, pSource[i], pDest[i], f);
}

template <EBlitOp op> RowFunction SelectSkip(ESkip skip)
{
    switch (skip)
    {
    case ESkip::Dark:
        return &RowSimd<op, ESkip::Dark>;
    case ESkip::Zero:
        return &RowSimd<op, ESkip::Zero>;
    case ESkip::NotPositive:
        return &RowSimd<op, ESkip::NotPositive>;
    case ESkip::None:
        break;
    }
    return &RowSimd<op, ESkip::None>;
}

RowFunction SelectRow(EBlitOp op, ESkip skip)
{
    switch (op)
    {
    case EBlitOp::Copy:
        return SelectSkip<EBlitOp::Copy>(skip);
    case EBlitOp::Add:
        return SelectSkip<EBlitOp::Add>(skip);
    case EBlitOp::Scale:
        return SelectSkip<EBlitOp::Scale>(skip);
    case EBlitOp::AddScaled:
        return SelectSkip<EBlitOp::AddScaled>(skip);
    case EBlitOp::SubScaled:
        return SelectSkip<EBlitOp::SubScaled>(skip);
    case EBlitOp::Lighten:
        return SelectSkip<EBlitOp::Lighten>(skip);
    case EBlitOp::Alpha:
        break;
    }
    return SelectSkip<EBlitOp::Alpha>(skip);
}

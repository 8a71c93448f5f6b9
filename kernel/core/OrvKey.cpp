#include "core/OrvKey.h"

#include "core/OrvText.h"

#include <climits>
#include <cstring>

namespace
{
template <typename TKey> const TKey* As(const COrvKey* pKey)
{
    return static_cast<const TKey*>(pKey);
}

// 0.5 ((2 P0 - 5 P1 + 4 P2 - P3) t^2 + (t (P2 - P0) + 2 P1) + (P3 + 3 P1 - P0 - 3 P2) t^3),
// evaluated in this order in single precision.
float CatmullRomBracket(float t, float p0, float p1, float p2, float p3)
{
    const float t2 = t * t;
    const float t3 = t * t2;
    return (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t2 + (t * (p2 - p0) + 2.0f * p1) +
           (p3 + 3.0f * p1 - p0 - 3.0f * p2) * t3;
}

float CatmullRom(float t, float p0, float p1, float p2, float p3)
{
    return 0.5f * CatmullRomBracket(t, p0, p1, p2, p3);
}

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
int TruncateToInt(float f)
{
    if (!(f == f))
        return 0;
    if (f >= 2147483648.0f)
        return INT_MAX;
    if (f <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(f);
}
} // namespace

// ---- Bool --------------------------------------------------------------------------------

void COrvKeyBool::InterpolateSpline(float t, const COrvKey*, const COrvKey* k1, const COrvKey* k2,
                                    const COrvKey*)
{
    InterpolateLinear(t, k1, k2);
}

void COrvKeyBool::InterpolateLinear(float, const COrvKey* k1, const COrvKey*)
{
    m_Value = As<COrvKeyBool>(k1)->m_Value;
}

void COrvKeyBool::ToString(std::string& text) const
{
    text = m_Value ? "true" : "false";
}

void COrvKeyBool::FromString(const std::string& text)
{
    m_Value = text == "true";
}

// ---- Int ---------------------------------------------------------------------------------

void COrvKeyInt::InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                                   const COrvKey* k3)
{
    const float bracket = CatmullRomBracket(t, static_cast<float>(As<COrvKeyInt>(k0)->m_Value),
                                            static_cast<float>(As<COrvKeyInt>(k1)->m_Value),
                                            static_cast<float>(As<COrvKeyInt>(k2)->m_Value),
                                            static_cast<float>(As<COrvKeyInt>(k3)->m_Value));
    m_Value = TruncateToInt(0.5f * bracket + 0.5f);
}

void COrvKeyInt::InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2)
{
    const float p1 = static_cast<float>(As<COrvKeyInt>(k1)->m_Value);
    const float p2 = static_cast<float>(As<COrvKeyInt>(k2)->m_Value);
    m_Value = TruncateToInt(p1 + (p2 - p1) * t);
}

void COrvKeyInt::ToString(std::string& text) const
{
    text = OrvFormatInt(m_Value);
}

void COrvKeyInt::FromString(const std::string& text)
{
    m_Value = OrvParseInt(text.c_str());
}

// ---- Float -------------------------------------------------------------------------------

void COrvKeyFloat::InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1,
                                     const COrvKey* k2, const COrvKey* k3)
{
    m_Value = CatmullRom(t, As<COrvKeyFloat>(k0)->m_Value, As<COrvKeyFloat>(k1)->m_Value,
                         As<COrvKeyFloat>(k2)->m_Value, As<COrvKeyFloat>(k3)->m_Value);
}

void COrvKeyFloat::InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2)
{
    const float p1 = As<COrvKeyFloat>(k1)->m_Value;
    const float p2 = As<COrvKeyFloat>(k2)->m_Value;
    m_Value = p1 + (p2 - p1) * t;
}

void COrvKeyFloat::ToString(std::string& text) const
{
    text = OrvFormatFixed(m_Value);
}

void COrvKeyFloat::FromString(const std::string& text)
{
    m_Value = static_cast<float>(OrvParseDouble(text.c_str()));
}

// ---- Vector ------------------------------------------------------------------------------

void COrvKeyVector::InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1,
                                      const COrvKey* k2, const COrvKey* k3)
{
    const D3DXVECTOR3& p0 = As<COrvKeyVector>(k0)->m_Value;
    const D3DXVECTOR3& p1 = As<COrvKeyVector>(k1)->m_Value;
    const D3DXVECTOR3& p2 = As<COrvKeyVector>(k2)->m_Value;
    const D3DXVECTOR3& p3 = As<COrvKeyVector>(k3)->m_Value;
    m_Value =
        D3DXVECTOR3(CatmullRom(t, p0.x, p1.x, p2.x, p3.x), CatmullRom(t, p0.y, p1.y, p2.y, p3.y),
                    CatmullRom(t, p0.z, p1.z, p2.z, p3.z));
}

void COrvKeyVector::InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2)
{
    const D3DXVECTOR3& p1 = As<COrvKeyVector>(k1)->m_Value;
    const D3DXVECTOR3& p2 = As<COrvKeyVector>(k2)->m_Value;
    m_Value =
        D3DXVECTOR3(p1.x + (p2.x - p1.x) * t, p1.y + (p2.y - p1.y) * t, p1.z + (p2.z - p1.z) * t);
}

void COrvKeyVector::ToString(std::string& text) const
{
    text = OrvFormatGeneral(m_Value.x) + " " + OrvFormatGeneral(m_Value.y) + " " +
           OrvFormatGeneral(m_Value.z);
}

void COrvKeyVector::FromString(const std::string& text)
{
    float values[3];
    if (OrvParseFloats(text.c_str(), values, 3) == 3)
        m_Value = D3DXVECTOR3(values[0], values[1], values[2]);
    else
        m_Value = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

// ---- Quaternion --------------------------------------------------------------------------

const ORV_SQUAD& COrvKeyQuat::PreparedSquad(const COrvKey* k0, const COrvKey* k2,
                                            const COrvKey* k3) const
{
    const D3DXQUATERNION inputs[4] = {As<COrvKeyQuat>(k0)->m_Value, m_Value,
                                      As<COrvKeyQuat>(k2)->m_Value, As<COrvKeyQuat>(k3)->m_Value};
    // Compared bit for bit: the prepared squad depends on nothing else.
    if (!m_Memo.bValid || std::memcmp(inputs, m_Memo.inputs, sizeof(inputs)) != 0)
    {
        std::memcpy(m_Memo.inputs, inputs, sizeof(inputs));
        OrvSquadPrepare(&m_Memo.squad, &inputs[0], &inputs[1], &inputs[2], &inputs[3]);
        m_Memo.bValid = true;
    }
    return m_Memo.squad;
}

void COrvKeyQuat::InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1,
                                    const COrvKey* k2, const COrvKey* k3)
{
    // D3DXQuaternionSquadSetup(A, B, C, q0, q1, q2, q3), then
    // D3DXQuaternionSquad(out, q1, A, B, C, t); the set-up is kept in k1 for the next call.
    const ORV_SQUAD& squad = As<COrvKeyQuat>(k1)->PreparedSquad(k0, k2, k3);
    D3DXQUATERNION out;
    OrvSquadEvaluate(&out, &squad, t);
    m_Value = out;
}

void COrvKeyQuat::InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2)
{
    D3DXQuaternionSlerp(&m_Value, &As<COrvKeyQuat>(k1)->m_Value, &As<COrvKeyQuat>(k2)->m_Value, t);
}

void COrvKeyQuat::ToString(std::string& text) const
{
    text = OrvFormatFixed(m_Value.x) + " " + OrvFormatFixed(m_Value.y) + " " +
           OrvFormatFixed(m_Value.z) + " " + OrvFormatFixed(m_Value.w);
}

void COrvKeyQuat::FromString(const std::string& text)
{
    float values[4];
    if (OrvParseFloats(text.c_str(), values, 4) == 4)
        m_Value = D3DXQUATERNION(values[0], values[1], values[2], values[3]);
    else
        m_Value = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
}

// ---- String ------------------------------------------------------------------------------

void COrvKeyString::InterpolateSpline(float t, const COrvKey*, const COrvKey* k1, const COrvKey* k2,
                                      const COrvKey*)
{
    InterpolateLinear(t, k1, k2);
}

void COrvKeyString::InterpolateLinear(float, const COrvKey* k1, const COrvKey*)
{
    // Assigning a key's text to itself is harmless; std::string handles it.
    m_Value = As<COrvKeyString>(k1)->m_Value;
}

void COrvKeyString::ToString(std::string& text) const
{
    text = m_Value;
}

void COrvKeyString::FromString(const std::string& text)
{
    m_Value = text;
}

// ---- Copies ------------------------------------------------------------------------------

namespace
{
template <typename TKey> COrvKey* CloneOf(const TKey& key)
{
    auto* pCopy = new TKey;
    pCopy->m_Value = key.m_Value;
    return pCopy;
}
} // namespace

COrvKey* COrvKeyBool::Clone() const
{
    return CloneOf(*this);
}

COrvKey* COrvKeyInt::Clone() const
{
    return CloneOf(*this);
}

COrvKey* COrvKeyFloat::Clone() const
{
    return CloneOf(*this);
}

COrvKey* COrvKeyVector::Clone() const
{
    return CloneOf(*this);
}

COrvKey* COrvKeyQuat::Clone() const
{
    return CloneOf(*this);
}

COrvKey* COrvKeyString::Clone() const
{
    return CloneOf(*this);
}

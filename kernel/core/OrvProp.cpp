#include "core/OrvProp.h"

#include <utility>

template <typename TKey, typename TValue> void COrvPropBase::SetTypedValue(const TValue& value)
{
    if (!m_bAnimable)
    {
        static_cast<TKey*>(m_pDefaultKey.Get())->m_Value = value;
        return;
    }
    TKey* pCurrent = static_cast<TKey*>(m_pCurrentKey.Get());
    if (m_siFrame == m_fCacheFrame && pCurrent->m_Value == value)
        return;
    // The new key is held here until the track has taken it.
    const COrvComPtr<TKey> pKey(new TKey);
    pKey->m_Value = value;
    AddKeyAtCurrentFrame(pKey.Get());
    pCurrent->m_Value = value;
    // The scratch key now holds the value written at this frame: reading it back at the same
    // frame gives it, and writing it again adds nothing.
    m_fCacheFrame = m_siFrame;
}

namespace
{
// The value of a typed property at a frame, from a key of its own.
template <typename TKey> auto ValueAt(const COrvPropBase& prop, float fFrame)
{
    const COrvComPtr<COrvKey> pKey = prop.GetKeyAt(fFrame);
    return static_cast<const TKey*>(pKey.Get())->m_Value;
}

// Creates the scratch and default keys of a typed property, one reference each.
template <typename TKey>
void CreateKeys(COrvComPtr<COrvKey>& currentKey, COrvComPtr<COrvKey>& defaultKey)
{
    currentKey.Assign(new TKey);
    defaultKey.Assign(new TKey);
}

template <typename TKey> auto& DefaultOf(const COrvComPtr<COrvKey>& key)
{
    return static_cast<TKey*>(key.Get())->m_Value;
}
} // namespace

// ---- Bool --------------------------------------------------------------------------------

COrvPropBool::COrvPropBool(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyBool>(m_pCurrentKey, m_pDefaultKey);
}

bool COrvPropBool::GetValue()
{
    return static_cast<COrvKeyBool*>(GetKey())->m_Value;
}

void COrvPropBool::SetValue(bool bValue)
{
    SetTypedValue<COrvKeyBool>(bValue);
}

void COrvPropBool::SetDefaultValue(bool bValue)
{
    DefaultOf<COrvKeyBool>(m_pDefaultKey) = bValue;
}

COrvKey* COrvPropBool::CreateNewKey() const
{
    return new COrvKeyBool;
}

bool COrvPropBool::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyBool*>(pKey) != nullptr;
}

// ---- Int ---------------------------------------------------------------------------------

COrvPropInt::COrvPropInt(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyInt>(m_pCurrentKey, m_pDefaultKey);
}

int COrvPropInt::GetValue()
{
    return static_cast<COrvKeyInt*>(GetKey())->m_Value;
}

void COrvPropInt::SetValue(int iValue)
{
    SetTypedValue<COrvKeyInt>(iValue);
}

void COrvPropInt::SetDefaultValue(int iValue)
{
    DefaultOf<COrvKeyInt>(m_pDefaultKey) = iValue;
}

void COrvPropInt::SetRange(int iMin, int iMax)
{
    m_Min = iMin;
    m_Max = iMax;
    m_bRanged = true;
}

void COrvPropInt::GetRange(int& iMin, int& iMax) const
{
    iMin = m_Min;
    iMax = m_Max;
}

COrvKey* COrvPropInt::CreateNewKey() const
{
    return new COrvKeyInt;
}

bool COrvPropInt::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyInt*>(pKey) != nullptr;
}

// ---- Float -------------------------------------------------------------------------------

COrvPropFloat::COrvPropFloat(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyFloat>(m_pCurrentKey, m_pDefaultKey);
}

float COrvPropFloat::GetValue()
{
    return static_cast<COrvKeyFloat*>(GetKey())->m_Value;
}

void COrvPropFloat::SetValue(float fValue)
{
    SetTypedValue<COrvKeyFloat>(fValue);
}

void COrvPropFloat::SetDefaultValue(float fValue)
{
    DefaultOf<COrvKeyFloat>(m_pDefaultKey) = fValue;
}

void COrvPropFloat::SetRange(float fMin, float fMax)
{
    m_Min = fMin;
    m_Max = fMax;
    m_bRanged = true;
}

void COrvPropFloat::GetRange(float& fMin, float& fMax) const
{
    fMin = m_Min;
    fMax = m_Max;
}

COrvKey* COrvPropFloat::CreateNewKey() const
{
    return new COrvKeyFloat;
}

bool COrvPropFloat::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyFloat*>(pKey) != nullptr;
}

// ---- Vector ------------------------------------------------------------------------------

COrvPropVector::COrvPropVector(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyVector>(m_pCurrentKey, m_pDefaultKey);
}

D3DXVECTOR3 COrvPropVector::GetValue()
{
    return static_cast<COrvKeyVector*>(GetKey())->m_Value;
}

void COrvPropVector::SetValue(const D3DXVECTOR3& value)
{
    SetTypedValue<COrvKeyVector>(value);
}

void COrvPropVector::SetDefaultValue(const D3DXVECTOR3& value)
{
    DefaultOf<COrvKeyVector>(m_pDefaultKey) = value;
}

COrvKey* COrvPropVector::CreateNewKey() const
{
    return new COrvKeyVector;
}

bool COrvPropVector::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyVector*>(pKey) != nullptr;
}

// ---- Quaternion --------------------------------------------------------------------------

COrvPropQuat::COrvPropQuat(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyQuat>(m_pCurrentKey, m_pDefaultKey);
}

D3DXQUATERNION COrvPropQuat::GetValue()
{
    return static_cast<COrvKeyQuat*>(GetKey())->m_Value;
}

void COrvPropQuat::SetValue(const D3DXQUATERNION& value)
{
    SetTypedValue<COrvKeyQuat>(value);
}

void COrvPropQuat::SetDefaultValue(const D3DXQUATERNION& value)
{
    DefaultOf<COrvKeyQuat>(m_pDefaultKey) = value;
}

COrvKey* COrvPropQuat::CreateNewKey() const
{
    return new COrvKeyQuat;
}

bool COrvPropQuat::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyQuat*>(pKey) != nullptr;
}

// ---- String ------------------------------------------------------------------------------

COrvPropString::COrvPropString(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : COrvPropBase(pModifiable, propId)
{
    CreateKeys<COrvKeyString>(m_pCurrentKey, m_pDefaultKey);
    m_bAnimable = false;
    m_bInterpolate = false;
}

std::string COrvPropString::GetValue()
{
    return static_cast<COrvKeyString*>(GetKey())->m_Value;
}

void COrvPropString::SetValue(std::string value)
{
    SetTypedValue<COrvKeyString>(value);
}

void COrvPropString::SetDefaultValue(std::string value)
{
    DefaultOf<COrvKeyString>(m_pDefaultKey) = std::move(value);
}

COrvKey* COrvPropString::CreateNewKey() const
{
    return new COrvKeyString;
}

bool COrvPropString::IsOwnKeyType(const COrvKey* pKey) const
{
    return dynamic_cast<const COrvKeyString*>(pKey) != nullptr;
}

bool COrvPropBool::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyBool>(*this, fFrame);
}

int COrvPropInt::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyInt>(*this, fFrame);
}

float COrvPropFloat::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyFloat>(*this, fFrame);
}

D3DXVECTOR3 COrvPropVector::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyVector>(*this, fFrame);
}

D3DXQUATERNION COrvPropQuat::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyQuat>(*this, fFrame);
}

std::string COrvPropString::GetValueAt(float fFrame) const
{
    return ValueAt<COrvKeyString>(*this, fFrame);
}

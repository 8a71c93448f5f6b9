#pragma once

#include "OrvExport.h"
#include "core/OrvPropBase.h"

#include <string>

// The six typed properties. Each creates its scratch key and its default key at
// construction. GetValue gives the value at the current frame; SetValue sets it there,
// adding a key when the property is animable (and changes only the default otherwise);
// SetDefaultValue changes only the default. GetValueAt gives the value at any frame without
// moving the current frame (for editors drawing curves and tracks).

class ORV_API COrvPropBool : public COrvPropBase
{
public:
    COrvPropBool(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    virtual bool GetValue();
    bool GetValueAt(float fFrame) const;
    void SetValue(bool bValue);
    void SetDefaultValue(bool bValue);

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;
};

class ORV_API COrvPropInt : public COrvPropBase
{
public:
    COrvPropInt(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    virtual int GetValue();
    int GetValueAt(float fFrame) const;
    void SetValue(int iValue);
    void SetDefaultValue(int iValue);
    // Editing bounds for a front end; nothing clamps to them and files do not store them.
    void SetRange(int iMin, int iMax);
    bool IsRanged() const { return m_bRanged; }
    void GetRange(int& iMin, int& iMax) const;

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;

    bool m_bRanged = false;
    int m_Min = 0;
    int m_Max = 0;
};

class ORV_API COrvPropFloat : public COrvPropBase
{
public:
    COrvPropFloat(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    virtual float GetValue();
    float GetValueAt(float fFrame) const;
    void SetValue(float fValue);
    void SetDefaultValue(float fValue);
    // Editing bounds for a front end; nothing clamps to them and files do not store them.
    void SetRange(float fMin, float fMax);
    bool IsRanged() const { return m_bRanged; }
    void GetRange(float& fMin, float& fMax) const;

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;

    bool m_bRanged = false;
    float m_Min = 0.0f;
    float m_Max = 0.0f;
};

class ORV_API COrvPropVector : public COrvPropBase
{
public:
    COrvPropVector(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    D3DXVECTOR3 GetValue();
    D3DXVECTOR3 GetValueAt(float fFrame) const;
    void SetValue(const D3DXVECTOR3& value);
    void SetDefaultValue(const D3DXVECTOR3& value);

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;
};

class ORV_API COrvPropQuat : public COrvPropBase
{
public:
    COrvPropQuat(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    D3DXQUATERNION GetValue();
    D3DXQUATERNION GetValueAt(float fFrame) const;
    void SetValue(const D3DXQUATERNION& value);
    void SetDefaultValue(const D3DXQUATERNION& value);

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;
};

// Texts start not animable and not interpolated: constant unless made animable.
class ORV_API COrvPropString : public COrvPropBase
{
public:
    COrvPropString(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    std::string GetValue();
    std::string GetValueAt(float fFrame) const;
    void SetValue(std::string value);
    void SetDefaultValue(std::string value);

protected:
    COrvKey* CreateNewKey() const override;
    bool IsOwnKeyType(const COrvKey* pKey) const override;
};

#pragma once

#include "OrvExport.h"
#include "core/OrvObject.h"
#include "OrvSquad.h"
#include "d3dx9math.h"

#include <string>

// A value on a property's time line. Each key type holds one value (m_Value) and knows how
// to blend keys of its own type and how to write and read its value as text. The four keys
// handed to an interpolation must all be of the key's own type.
class ORV_API COrvKey : public COrvObject
{
public:
    // This key's value becomes the value at t (0 to 1) of the curve from k1 to k2, with k0
    // before k1 and k3 after k2.
    virtual void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                                   const COrvKey* k3) = 0;
    // This key's value becomes a blend from k1 to k2.
    virtual void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) = 0;
    virtual void ToString(std::string& text) const = 0;
    virtual void FromString(const std::string& text) = 0;
    // A new key of the same type holding exactly this value, with no holder yet (text would
    // round floats).
    virtual COrvKey* Clone() const = 0;
};

// Bools and texts step: a blend takes k1's value whatever t is.
class ORV_API COrvKeyBool : public COrvKey
{
public:
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // "true" or "false"; reading gives true for exactly "true".
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    bool m_Value = false;
};

class ORV_API COrvKeyInt : public COrvKey
{
public:
    // Catmull-Rom in float, then rounded: 0.5 added and truncated toward zero.
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // "%d"; read as atoi.
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    int m_Value = 0;
};

class ORV_API COrvKeyFloat : public COrvKey
{
public:
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // "%f"; read as atof.
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    float m_Value = 0.0f;
};

class ORV_API COrvKeyVector : public COrvKey
{
public:
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // "%g %g %g"; a text without three numbers reads as (0, 0, 0).
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    D3DXVECTOR3 m_Value{0.0f, 0.0f, 0.0f};
};

class ORV_API COrvKeyQuat : public COrvKey
{
public:
    // Squad through the four keys (D3DXQuaternionSquadSetup, D3DXQuaternionSquad).
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    // D3DXQuaternionSlerp.
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // "%f %f %f %f" (x, y, z, w); a text without four numbers reads as the identity.
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    D3DXQUATERNION m_Value{0.0f, 0.0f, 0.0f, 1.0f};

private:
    // The squad segment that starts at this key, prepared for the four values it was last
    // evaluated with; reused while they are unchanged.
    struct SSquadMemo
    {
        D3DXQUATERNION inputs[4];
        ORV_SQUAD squad;
        bool bValid = false;
    };
    mutable SSquadMemo m_Memo;

    const ORV_SQUAD& PreparedSquad(const COrvKey* k0, const COrvKey* k2, const COrvKey* k3) const;
};

class ORV_API COrvKeyString : public COrvKey
{
public:
    void InterpolateSpline(float t, const COrvKey* k0, const COrvKey* k1, const COrvKey* k2,
                           const COrvKey* k3) override;
    void InterpolateLinear(float t, const COrvKey* k1, const COrvKey* k2) override;
    // The text itself, both ways.
    void ToString(std::string& text) const override;
    void FromString(const std::string& text) override;
    COrvKey* Clone() const override;

    std::string m_Value;
};

#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <system_error>

namespace orv::editor
{
namespace
{
std::string Trim(const std::string& sText)
{
    const size_t first = sText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = sText.find_last_not_of(" \t\r\n");
    return sText.substr(first, last - first + 1);
}

// from_chars refuses a leading '+', which people type.
const char* SkipPlus(const std::string& sText)
{
    const char* pFirst = sText.data();
    if (sText.size() > 1 && sText[0] == '+' && sText[1] != '-')
        ++pFirst;
    return pFirst;
}

// "\"text\" tail", built by appending: GCC 12 at -O3 warns (-Wrestrict) about the same
// text made with operator+.
std::string Quoted(const std::string& sText, const char* pTail)
{
    std::string sMessage;
    sMessage.append(1, '"').append(sText).append(1, '"').append(pTail);
    return sMessage;
}

constexpr float kDegreesPerRadian = 180.0f / std::numbers::pi_v<float>;
} // namespace

bool ParseFloatText(const std::string& sText, float& fValue, std::string& sError)
{
    const std::string sTrimmed = Trim(sText);
    if (sTrimmed.empty())
    {
        sError = "no number typed";
        return false;
    }
    double dValue = 0.0;
    const char* pEnd = sTrimmed.data() + sTrimmed.size();
    const auto [pStop, error] = std::from_chars(SkipPlus(sTrimmed), pEnd, dValue);
    if (error == std::errc::result_out_of_range ||
        (error == std::errc() && pStop == pEnd && std::isfinite(dValue) &&
         std::fabs(dValue) > 3.4028234663852886e38))
    {
        sError = Quoted(sTrimmed, " is too large for a number of this property");
        return false;
    }
    if (error != std::errc() || pStop != pEnd)
    {
        sError = Quoted(sTrimmed, " is not a number");
        return false;
    }
    if (!std::isfinite(dValue))
    {
        sError = Quoted(sTrimmed, " is not a finite number");
        return false;
    }
    fValue = static_cast<float>(dValue);
    return true;
}

bool ParseIntText(const std::string& sText, int& iValue, std::string& sError)
{
    const std::string sTrimmed = Trim(sText);
    if (sTrimmed.empty())
    {
        sError = "no number typed";
        return false;
    }
    const char* pEnd = sTrimmed.data() + sTrimmed.size();
    int iRead = 0;
    const auto [pStop, error] = std::from_chars(SkipPlus(sTrimmed), pEnd, iRead);
    if (error == std::errc::result_out_of_range)
    {
        sError =
            Quoted(sTrimmed, " is outside the whole numbers this property holds (-2147483648 to "
                             "2147483647)");
        return false;
    }
    if (error != std::errc() || pStop != pEnd)
    {
        sError = Quoted(sTrimmed, " is not a whole number");
        return false;
    }
    iValue = iRead;
    return true;
}

bool ParseVectorText(const std::string& sText, D3DXVECTOR3& value, std::string& sError)
{
    std::string sSpaced = sText;
    for (char& c : sSpaced)
        if (c == ',' || c == ';')
            c = ' ';
    float fParts[3] = {};
    size_t position = 0;
    for (float& fPart : fParts)
    {
        const size_t first = sSpaced.find_first_not_of(" \t", position);
        if (first == std::string::npos)
        {
            sError = Quoted(Trim(sText), " does not hold three numbers");
            return false;
        }
        position = sSpaced.find_first_of(" \t", first);
        if (!ParseFloatText(sSpaced.substr(first, position - first), fPart, sError))
            return false;
    }
    if (position != std::string::npos &&
        sSpaced.find_first_not_of(" \t", position) != std::string::npos)
    {
        sError = Quoted(Trim(sText), " holds more than three numbers");
        return false;
    }
    value = D3DXVECTOR3(fParts[0], fParts[1], fParts[2]);
    return true;
}

SYawPitchRoll YawPitchRollFromQuaternion(const D3DXQUATERNION& rotation)
{
    D3DXQUATERNION unit = rotation;
    const float fLength =
        std::sqrt(unit.x * unit.x + unit.y * unit.y + unit.z * unit.z + unit.w * unit.w);
    if (!(fLength > 0.0f) || !std::isfinite(fLength))
        return SYawPitchRoll{};
    unit = D3DXQUATERNION(unit.x / fLength, unit.y / fLength, unit.z / fLength, unit.w / fLength);
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &unit);
    // The rotation's matrix is Rz(roll) Rx(pitch) Ry(yaw) for row vectors: its third row is
    // (cos p sin y, -sin p, cos p cos y) and its second column (sin r cos p, cos r cos p, .).
    SYawPitchRoll angles;
    const float fSinPitch = std::clamp(-m._32, -1.0f, 1.0f);
    angles.fPitch = std::asin(fSinPitch) * kDegreesPerRadian;
    if (std::fabs(fSinPitch) < 0.99999f)
    {
        angles.fYaw = std::atan2(m._31, m._33) * kDegreesPerRadian;
        angles.fRoll = std::atan2(m._12, m._22) * kDegreesPerRadian;
    }
    else
    {
        // Pitch ±90: yaw and roll turn about the same axis; all of it is given to roll.
        angles.fRoll = std::atan2(-m._21, m._11) * kDegreesPerRadian;
    }
    return angles;
}

D3DXQUATERNION QuaternionFromYawPitchRoll(const SYawPitchRoll& angles)
{
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, angles.fYaw / kDegreesPerRadian,
                                       angles.fPitch / kDegreesPerRadian,
                                       angles.fRoll / kDegreesPerRadian);
    return rotation;
}
} // namespace orv::editor

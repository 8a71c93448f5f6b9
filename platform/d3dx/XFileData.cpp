#include "XFileData.h"

#include <cfloat>
#include <cmath>

bool COrvXValueReader::ReadDword(uint32_t& u)
{
    if (GetRemaining() == 0 || m_object.m_aeKinds[m_uNext] == SOrvXObject::KIND_STRING)
        return false;
    double d = m_object.m_adValues[m_uNext];
    if (!(d >= 0.0 && d <= 4294967295.0) || std::floor(d) != d)
        return false;
    u = uint32_t(d);
    ++m_uNext;
    return true;
}

bool COrvXValueReader::ReadCount(uint32_t& u, size_t uValuesPerItem)
{
    size_t uNext = m_uNext;
    if (!ReadDword(u))
        return false;
    if (uValuesPerItem != 0 && size_t(u) > GetRemaining() / uValuesPerItem)
    {
        m_uNext = uNext;
        return false;
    }
    return true;
}

bool COrvXValueReader::ReadDouble(double& d)
{
    if (GetRemaining() == 0 || m_object.m_aeKinds[m_uNext] == SOrvXObject::KIND_STRING)
        return false;
    d = m_object.m_adValues[m_uNext++];
    return std::fabs(d) <= double(FLT_MAX);
}

bool COrvXValueReader::ReadFloat(float& f)
{
    double d = 0.0;
    if (!ReadDouble(d))
        return false;
    f = float(d);
    return true;
}

bool COrvXValueReader::ReadString(std::string& s)
{
    if (GetRemaining() == 0 || m_object.m_aeKinds[m_uNext] != SOrvXObject::KIND_STRING)
        return false;
    s = m_object.m_asStrings[size_t(m_object.m_adValues[m_uNext++])];
    return true;
}

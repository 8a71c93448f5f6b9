#include "core/OrvText.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <locale.h>

namespace
{
locale_t ClassicLocale()
{
    static const locale_t s_Locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return s_Locale;
}

template <typename... Args> std::string Format(Args... args)
{
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), args...);
    if (result.ec != std::errc())
        return std::string();
    return std::string(buffer, result.ptr);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
} // namespace

std::string OrvFormatInt(int iValue)
{
    return Format(iValue);
}

std::string OrvFormatFixed(float fValue)
{
    // Formatting the float with an explicit precision gives the exact decimal expansion of
    // its value, rounded like printf does with the value promoted to double.
    return Format(fValue, std::chars_format::fixed, 6);
}

std::string OrvFormatGeneral(float fValue)
{
    return Format(fValue, std::chars_format::general, 6);
}

int OrvParseInt(const char* pText)
{
    if (!pText)
        return 0;
    while (IsBlank(*pText))
        ++pText;
    bool bNegative = false;
    if (*pText == '+' || *pText == '-')
        bNegative = *pText++ == '-';
    long long value = 0;
    for (; *pText >= '0' && *pText <= '9'; ++pText)
    {
        value = value * 10 + (*pText - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

double OrvParseDouble(const char* pText)
{
    if (!pText)
        return 0.0;
    return strtod_l(pText, nullptr, ClassicLocale());
}

int OrvParseFloats(const char* pText, float* pValues, int iCount)
{
    if (!pText)
        return 0;
    int read = 0;
    for (; read < iCount; ++read)
    {
        char* pEnd = nullptr;
        const float value = strtof_l(pText, &pEnd, ClassicLocale());
        if (pEnd == pText)
            break;
        pValues[read] = value;
        pText = pEnd;
    }
    return read;
}

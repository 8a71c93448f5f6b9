#pragma once

#include "OrvExport.h"

#include <string>

// Text forms of numbers as demo files store them, always in the classic "C" locale whatever
// the process locale is: a point as the decimal separator, no digit grouping.

// "%d".
ORV_API std::string OrvFormatInt(int iValue);
// "%f": six decimals.
ORV_API std::string OrvFormatFixed(float fValue);
// "%g": six significant digits, the shorter of fixed and exponent notation.
ORV_API std::string OrvFormatGeneral(float fValue);

// atoi: leading blanks, an optional sign, decimal digits; 0 when there are none. Values
// beyond the int range saturate.
ORV_API int OrvParseInt(const char* pText);
// atof: a decimal number with an optional exponent; 0 when there is none.
ORV_API double OrvParseDouble(const char* pText);
// Reads up to iCount floats separated by blanks, as sscanf with "%g" or "%f" repeated;
// returns how many were read before the first that does not parse.
ORV_API int OrvParseFloats(const char* pText, float* pValues, int iCount);

#pragma once

#include "OrvExport.h"

// The engine library's version, "major.minor.patch".
ORV_API const char* OrvGetVersion();

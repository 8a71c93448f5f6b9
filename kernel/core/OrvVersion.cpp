#include "core/OrvVersion.h"

const char* OrvGetVersion()
{
    return ORV_VERSION_STRING;
}

#include "OrvKernel.h"

#include <cstdio>

int main()
{
    std::printf("Orv engine %s\n", OrvGetVersion());
    return 0;
}

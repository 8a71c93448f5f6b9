// Makes the blits of this test program use their SSE2 kernels: the choice is read at the
// first blit, after this initialiser has run.

#include <cstdlib>

namespace
{
const int g_iForced = setenv("ORV_SURFACE_SIMD", "sse2", 1);
} // namespace

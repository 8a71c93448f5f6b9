// The main of every test program: GoogleTest, with the program's files kept in its own
// temporary folder (see OrvTempDir.h) that goes when the program ends. The shader cache goes
// there too unless ORV_SHADER_CACHE names one (scripts/test.sh shares one across programs).
#include "OrvTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const std::filesystem::path& root = OrvTempRoot();
    if (!root.empty())
    {
        setenv("TMPDIR", root.c_str(), 1);
        setenv("ORV_SHADER_CACHE", (root / "shader_cache").c_str(), 0);
    }
    return RUN_ALL_TESTS();
}

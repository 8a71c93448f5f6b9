#include "OrvKernel.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace
{
std::string ReadLog()
{
    std::ifstream file(SnifferGetPath(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
} // namespace

TEST(Sniffer, HeaderNamesThePathAndLinesEndWithCrLf)
{
    const std::string log = ReadLog();
    const std::string rule(32, '-');
    EXPECT_EQ(log.rfind(rule + "\r\nORV_Sniffer / " + SnifferGetPath() + "\r\n" + rule + "\r\n", 0),
              0u);
}

TEST(Sniffer, BlocksIndentByThreeSpacesPerLevel)
{
    SnifferEnter("Outer");
    SnifferEnter("Inner");
    SnifferMessage("deep");
    SnifferValue("TailleX", 640);
    SnifferValue("Half", 0.5);
    SnifferLeave();
    SnifferLeave();
    const std::string log = ReadLog();
    EXPECT_NE(log.find("Outer()\r\n{\r\n   Inner()\r\n   {\r\n      deep\r\n"
                       "      TailleX = 640\r\n      Half = 0.5\r\n   }\r\n}\r\n"),
              std::string::npos);
}

TEST(Chrono, StartsNearZeroNeverDecreasesAndResets)
{
    ORV_Chrono chrono;
    double first = chrono.GetTime();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.5);
    double second = chrono.GetTime();
    EXPECT_GE(second, first);
    chrono.Reset();
    EXPECT_LT(chrono.GetTime(), 0.5);
}

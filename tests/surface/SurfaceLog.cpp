// The loaders' entries in the log, checked in one process that owns its log file.

#include "OrvTestSurface.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace orv::test::surface;

namespace
{
std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = ::testing::TempDir() + "orv_surface_log_" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::string ReadLog()
{
    std::ifstream file(SnifferGetPath(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool LogEndsWith(const std::string& tail)
{
    const std::string log = ReadLog();
    return log.size() >= tail.size() &&
           log.compare(log.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

TEST(SurfaceLog, EveryLoadLogsExactlyOneMessageInsideItsBlock)
{
    const std::vector<uint8_t> pixels(4 * 2 * 3, 0x40);
    std::vector<uint8_t> notBmp = MakeBmp(4, 2, pixels);
    notBmp[1] = 'X';
    std::vector<uint8_t> shortData = MakeBmp(4, 2, pixels);
    shortData.resize(60);
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {MakeBmp(4, 2, pixels), "Chargement surface BMP : OK"},
        {notBmp, "fichier non bmp!"},
        {MakeBmp(4, 2, pixels, 32), "BMP pas 24 Bits"},
        {MakeBmp(6, 2, pixels), "Pas multiple de 4"},
        {MakeBmp(4, 2, pixels, 24, 3), "Compression non support\xE9"
                                       "e"},
        {shortData, "fichier BMP corrompu!"},
    };
    ORV_Surface surface;
    for (const auto& [bytes, message] : cases)
    {
        surface.LoadBMP(WriteTemp("case.bmp", bytes).c_str());
        EXPECT_TRUE(LogEndsWith("ORV_Surface::LoadBMP()\r\n{\r\n   " + message + "\r\n}\r\n"))
            << message;
    }
    surface.LoadBMP("/nonexistent/none.bmp");
    EXPECT_TRUE(LogEndsWith("{\r\n   fichier non trouv\xE9!\r\n}\r\n"));
}

TEST(SurfaceLog, InitLogsTheSizeOrNestsTheLoader)
{
    ORV_Surface surface;
    surface.Init("640 480");
    EXPECT_TRUE(
        LogEndsWith("ORV_Surface::Init()\r\n{\r\n   TailleX = 640\r\n   TailleY = 480\r\n}\r\n"));

    const std::string path = WriteTemp("init.bmp", MakeBmp(4, 1, std::vector<uint8_t>(12, 9)));
    surface.Init(("\"" + path + "\"").c_str());
    EXPECT_TRUE(LogEndsWith("ORV_Surface::Init()\r\n{\r\n   ORV_Surface::LoadBMP()\r\n   {\r\n"
                            "      Chargement surface BMP : OK\r\n   }\r\n}\r\n"));
}

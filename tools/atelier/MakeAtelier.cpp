// orv_make_atelier: makes the data files of the sample demo examples/Atelier: its music,
// pictures and meshes, all generated here. Usage: orv_make_atelier DATA_FOLDER
#include "AtelierImages.h"
#include "AtelierMeshes.h"
#include "AtelierMusic.h"
#include "AtelierSceneImages.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "Usage: %s DATA_FOLDER\n", argv[0]);
        return 1;
    }
    std::string sFolder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(sFolder, ec);
    std::string sError;
    SAtelierSong song; // 120 beats per minute, 40 bars: 80 seconds
    bool bOk = WriteAtelierMusic(song, sFolder + "/atelier.ogg", sError) &&
               WriteAtelierImages(sFolder, sError) && WriteAtelierSceneImages(sFolder, sError) &&
               WriteAtelierMeshes(sFolder, sError);
    if (!bOk)
    {
        std::fprintf(stderr, "orv_make_atelier: %s\n", sError.c_str());
        return 1;
    }
    return 0;
}

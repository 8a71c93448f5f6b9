#include "PlayerMusic.h"

#include "audio/OrvMusic.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "vfw.h"

#include <filesystem>

namespace
{

// Property id of the music track's "Filename".
constexpr int kFilenamePropId = 5;

} // namespace

std::string GetMusicFilePath(COrvDemo* pDemo)
{
    COrvMusic* pMusic = pDemo->GetMusic();
    if (pMusic == nullptr)
    {
        return std::string();
    }
    for (COrvPropBase* pProp : pMusic->GetProperties())
    {
        auto* pName = dynamic_cast<COrvPropString*>(pProp);
        if (pName != nullptr && static_cast<int>(pName->GetPropId()) == kFilenamePropId)
        {
            std::string sName = pName->GetValue();
            if (sName.empty())
            {
                return std::string();
            }
            // Music names are relative to the demo's data folder.
            std::filesystem::path path(sName);
            return path.is_absolute()
                       ? sName
                       : (std::filesystem::path(pDemo->GetDataDir()) / path).string();
        }
    }
    return std::string();
}

float GetMusicTempo(COrvDemo* pDemo)
{
    COrvMusic* pMusic = pDemo->GetMusic();
    return pMusic != nullptr ? pMusic->GetBPM() : 0.0f;
}

double GetSoundFileSeconds(const std::string& sPath)
{
    PAVIFILE pFile = nullptr;
    PAVISTREAM pStream = nullptr;
    double dSeconds = 0.0;
    AVIFileInit();
    if (AVIFileOpenA(&pFile, sPath.c_str(), OF_READ, nullptr) == 0 &&
        AVIFileGetStream(pFile, &pStream, streamtypeAUDIO, 0) == 0)
    {
        AVISTREAMINFOA info{};
        AVIStreamInfoA(pStream, &info, sizeof(info));
        if (info.dwRate != 0)
        {
            dSeconds = static_cast<double>(info.dwLength) * info.dwScale / info.dwRate;
        }
    }
    AVIStreamRelease(pStream);
    AVIFileRelease(pFile);
    AVIFileExit();
    return dSeconds;
}

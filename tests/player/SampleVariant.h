#pragma once

// The sample demo cut down for pre-roll tests: only the named layers shown, and some of them
// made to draw without clearing their target first, so that a target carries its content
// from frame to frame.
#include "OrvTestDemo.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orv::test::player
{

const std::filesystem::path kSampleDir =
    std::filesystem::path(ORV_SOURCE_ROOT) / "examples/Atelier";

// Loads the sample (its folder current meanwhile) into the document, then hides every layer
// but the shown ones and turns "Clear First" off on the unclear ones.
inline bool LoadSampleVariant(COrvDemo& demo, const std::vector<std::string>& shown,
                              const std::vector<std::string>& unclear = {})
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(kSampleDir);
    const bool bLoaded = demo.Load("demo.orv");
    std::filesystem::current_path(previous);
    if (!bLoaded)
        return false;
    for (COrvLayer* pLayer : demo.GetLayers())
        SetBool(pLayer, ORV_PROP_VISIBLE, false);
    for (const std::string& sName : shown)
        if (COrvLayer* pLayer = demo.GetLayerByName(sName))
            SetBool(pLayer, ORV_PROP_VISIBLE, true);
        else
            return false;
    for (const std::string& sName : unclear)
        if (COrvLayer* pLayer = demo.GetLayerByName(sName))
            SetBool(pLayer, ORV_PROP_CLEAR_FIRST, false);
        else
            return false;
    return true;
}

// Writes such a variant as a demo folder whose data/ is the sample's (a link).
inline bool WriteSampleVariant(const std::filesystem::path& folder,
                               const std::vector<std::string>& shown,
                               const std::vector<std::string>& unclear = {})
{
    COrvDemo demo;
    if (!LoadSampleVariant(demo, shown, unclear))
        return false;
    std::filesystem::create_directories(folder);
    std::error_code ec;
    std::filesystem::create_directory_symlink(kSampleDir / "data", folder / "data", ec);
    const bool bSaved = !ec && demo.SaveToFile((folder / "demo.orv").string());
    demo.BassStop();
    return bSaved;
}

} // namespace orv::test::player

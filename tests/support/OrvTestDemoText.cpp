#include "OrvTestDemoText.h"

#include <algorithm>
#include <cstdio>

std::string OrvGenerateDemoText(size_t uLayers, size_t uKeys)
{
    std::string sText = "<OrvDemo version=\"1\"><music><Prop5 bAnimable=\"0\" defaultValue=\"\"/>"
                        "</music><Resources>";
    char buffer[256];
    for (size_t i = 0; i < uLayers; ++i)
    {
        std::snprintf(buffer, sizeof(buffer),
                      "<COrvResMaterial><Prop4 bAnimable=\"0\" defaultValue=\"m%zu\"/>"
                      "</COrvResMaterial>",
                      i);
        sText += buffer;
    }
    sText += "</Resources><Layers>";
    const size_t uPerLayer = uLayers ? uKeys / uLayers : 0;
    const size_t uExtra = uLayers ? uKeys % uLayers : 0;
    for (size_t i = 0; i < uLayers; ++i)
    {
        std::snprintf(buffer, sizeof(buffer),
                      "<COrvLayerSprite><Prop4 bAnimable=\"0\" defaultValue=\"s%zu\"/>"
                      "<Prop29 bAnimable=\"0\" defaultValue=\"m%zu\"/>"
                      "<Prop30 bAnimable=\"1\" defaultValue=\"0 0 0\"><track>",
                      i, i);
        sText += buffer;
        for (size_t k = 0; k < uPerLayer + (i < uExtra ? 1 : 0); ++k)
        {
            std::snprintf(buffer, sizeof(buffer), "<key frame=\"%zu\" value=\"%g %g 0\"/>", k * 4,
                          0.01 * static_cast<double>(k % 50), 0.02 * static_cast<double>(i % 7));
            sText += buffer;
        }
        sText += "</track></Prop30></COrvLayerSprite>";
    }
    return sText + "</Layers></OrvDemo>";
}

void OrvPlaceSampleDemo(const std::filesystem::path& folder)
{
    const std::filesystem::path sample =
        std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(sample / "demo.orv", folder / "demo.orv");
    std::filesystem::create_directory_symlink(sample / "data", folder / "data");
}

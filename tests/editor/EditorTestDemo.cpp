#include "EditorTestDemo.h"

#include <cstdio>

std::string GenerateDemoText(size_t uLayers, size_t uKeys)
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
    // Each layer's position track gets its share of the keys, one every 4 frames.
    const size_t uPerLayer = uLayers ? uKeys / uLayers : 0;
    for (size_t i = 0; i < uLayers; ++i)
    {
        std::snprintf(buffer, sizeof(buffer),
                      "<COrvLayerSprite><Prop4 bAnimable=\"0\" defaultValue=\"s%zu\"/>"
                      "<Prop29 bAnimable=\"0\" defaultValue=\"m%zu\"/>"
                      "<Prop30 bAnimable=\"1\" defaultValue=\"0 0 0\"><track>",
                      i, i);
        sText += buffer;
        for (size_t k = 0; k < uPerLayer + (i < uKeys % std::max<size_t>(uLayers, 1) ? 1 : 0); ++k)
        {
            std::snprintf(buffer, sizeof(buffer), "<key frame=\"%zu\" value=\"%g %g 0\"/>", k * 4,
                          0.01 * static_cast<double>(k % 50), 0.02 * static_cast<double>(i % 7));
            sText += buffer;
        }
        sText += "</track></Prop30></COrvLayerSprite>";
    }
    return sText + "</Layers></OrvDemo>";
}

SEditorPropRef PropRefOf(CEditorDocument& document, const SEditorObjectRef& object, ORV_PROP_ID id)
{
    COrvModifiable* pObject = EditorFindObject(document.GetDemo(), object);
    EXPECT_NE(pObject, nullptr);
    if (!pObject)
        return {};
    const COrvPropList& props = pObject->GetProperties();
    for (size_t i = 0; i < props.size(); ++i)
        if (props[i]->GetPropId() == id)
            return {object, i};
    ADD_FAILURE() << "no property " << id << " in " << pObject->GetClass();
    return {object, props.size()};
}

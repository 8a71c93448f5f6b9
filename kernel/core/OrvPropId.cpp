#include "core/OrvPropId.h"

#include <iterator>

namespace
{
const char* const s_DisplayNames[] = {
    "Alpha",
    "Visible",
    "Center X",
    "Center Y",
    "Name",
    "Filename",
    "Image name",
    "Video name",
    "Video pos",
    "Zoom",
    "Mask name",
    "Level",
    "White Level",
    "Black Level",
    "RadialBlur Level",
    "Music BPM",
    "Rayon X",
    "Rayon Y",
    "Angle",
    "Radius",
    "XBlur Level",
    "YBlur Level",
    "Bilinear filtering",
    "Wave",
    "Wave Amplitude",
    "Wave Offset",
    "Dispersion level",
    "Center Z",
    "Mesh Name",
    "Material Name",
    "Translation",
    "Rotation",
    "Texture Name 0",
    "Diffuse color",
    "Specular",
    "Shader Name",
    "Render taget",
    "Height",
    "Width",
    "Texture Name 1",
    "Visible Track",
    "Clear First",
    "Power",
    "Ressort",
    "Ground Material Name",
    "Ball Shadow Material Name",
    "Focal dist",
    "Focal range",
    "AutoSize",
    "Culling Side",
    "Input surface",
    "Center",
    "Frequency",
    "Offset",
};
static_assert(std::size(s_DisplayNames) == ORV_PROP_OFFSET + 1);
} // namespace

const char* OrvPropIdString(ORV_PROP_ID id)
{
    const int index = static_cast<int>(id);
    if (index < 0 || index >= static_cast<int>(std::size(s_DisplayNames)))
        return "unknow property";
    return s_DisplayNames[index];
}

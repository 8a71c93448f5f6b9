#pragma once

// The levels of a volume texture made from a DDS volume, as D3DX makes them: the sizes,
// level count and format resolved as for 2D textures (COrvTextureLevels) with the depth
// beside width and height, then every level in that format, from the file's own levels
// where they fit, resized or filtered down (2 x 2 x 2 boxes) where they do not.
#include "TextureLevels.h"

struct SOrvVolumePlan : SOrvTexturePlan
{
    UINT m_uDepth = 1;
};

class COrvVolumeLevels
{
public:
    // The image must have been read whole (EOrvImageContent::Whole).
    static SOrvVolumePlan Plan(const SOrvImageSet& rImage, UINT uWidth, UINT uHeight, UINT uDepth,
                               UINT uMipLevels, DWORD dwUsage, D3DFORMAT eFormat, D3DCOLOR colorKey,
                               const COrvTextureLevels::CanStore& canStore);
    // Every level of the plan, its slices one after another, tightly packed.
    static std::vector<SOrvImageLevel> Build(const SOrvImageSet& rImage,
                                             const SOrvVolumePlan& rPlan);
};

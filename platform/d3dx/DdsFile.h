#pragma once

// DirectDraw surface files (.dds) as Direct3D 9 wrote them: every format of orv::pixels
// (DXT1 to DXT5, bit-mask colour, luminance, alpha, floats, 8-bit palettes), mip chains,
// cube maps (also with only some faces) and volume textures. Files with the later DX10
// header are refused.
#include "ImageFile.h"

class COrvDdsFile
{
public:
    static bool IsDds(const uint8_t* pData, size_t uSize);
    // Fills the image with the file's description and the mip chain of its first face or
    // slice, or with every face and slice (SOrvImageSet); false with a reason for a file
    // that is not a DDS file this reader knows. Levels cut short end a chain.
    static bool Decode(const uint8_t* pData, size_t uSize, SOrvImageSet& rImage,
                       std::string& sError,
                       EOrvImageContent eContent = EOrvImageContent::FirstImage);
};

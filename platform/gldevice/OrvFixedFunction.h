#pragma once

// The fixed-function pipeline as generated GLSL 330: a key captures every piece of state
// that changes the shader text (vertex format, lights, texture stages...); values that do
// not (matrices, colours, alpha reference) are uniforms the device uploads.
#include <cstdint>
#include <string>

struct SOrvFFVertexKey
{
    uint32_t m_uiAttribMask;
    uint8_t m_bPretransformed;
    uint8_t m_bLighting;
    uint8_t m_bSpecular;
    uint8_t m_bColorVertex;
    uint8_t m_uiDiffuseSource;
    uint8_t m_uiAmbientSource;
    uint8_t m_uiSpecularSource;
    uint8_t m_uiEmissiveSource;
    uint8_t m_bNormalize;
    uint8_t m_bLocalViewer;
    uint8_t m_bPointScale;
    uint8_t m_bFlat;
    uint8_t m_auiLightType[8]; // D3DLIGHTTYPE of the enabled lights in order, 0 after the last
    uint8_t m_auiTexCoordSize[8];
    // The coordinates of the texture stages, when the vertex stage is generated: the first
    // m_uiCoordStages stages each get theirs in the varying of the stage's own number, from
    // a coordinate set or generated (D3DTSS_TCI_* >> 16), then multiplied by the stage's
    // texture matrix when m_auiStageTransform (D3DTTFF_COUNTn, 0: none) says so. With no
    // stages, each varying carries the coordinate set of its number.
    uint8_t m_uiCoordStages;
    uint8_t m_auiStageSet[8];
    uint8_t m_auiStageGen[8];
    uint8_t m_auiStageTransform[8];
};

// The kind of texture a stage samples, which sets its sampler type and coordinates.
enum EOrvFFTexture : uint8_t
{
    ORV_FF_TEXTURE_NONE = 0,
    ORV_FF_TEXTURE_2D = 1,   // sampler2D, (u, v)
    ORV_FF_TEXTURE_CUBE = 2, // samplerCube, the direction (u, v, w)
    ORV_FF_TEXTURE_3D = 3    // sampler3D, (u, v, w)
};

struct SOrvFFStageKey
{
    uint8_t m_uiColorOp;
    uint8_t m_auiColorArg[3]; // arg0, arg1, arg2
    uint8_t m_uiAlphaOp;
    uint8_t m_auiAlphaArg[3];
    uint8_t m_uiTexCoordIndex; // the varying the stage reads
    uint8_t m_uiTexture;       // EOrvFFTexture of the stage's texture
    uint8_t m_uiProjected;     // D3DTTFF_PROJECTED: divided by component n - 1 (0: not)
};

struct SOrvFFFragmentKey
{
    SOrvFFStageKey m_aStages[8];
    uint8_t m_uiStageCount;
    uint8_t m_bSpecularAdd;
    uint8_t m_bPointSprite;
    uint8_t m_bFlat;
};

// Number of lights and texture stages the generated stages handle.
constexpr unsigned ORV_FF_MAX_LIGHTS = 8;
constexpr unsigned ORV_FF_MAX_STAGES = 8;

std::string OrvGenerateFFVertexShader(const SOrvFFVertexKey& rKey);
std::string OrvGenerateFFFragmentShader(const SOrvFFFragmentKey& rKey);

// GLSL helpers shared with stages of one's own (see GLDeviceInternal.h).
extern const char* const g_szOrvClipFixupSource;
extern const char* const g_szOrvAlphaTestSource;

#pragma once

// The fixed-function pipeline as generated GLSL 330: a key captures every piece of state
// that changes the shader text (vertex format, lights, texture stages...); values that do
// not (matrices, colours, alpha reference) are uniforms the device uploads.
#include <cstdint>
#include <string>

struct SOrvFFVertexKey
{
    uint32_t m_uAttribMask;
    uint8_t m_bPretransformed;
    uint8_t m_bLighting;
    uint8_t m_bSpecular;
    uint8_t m_bColorVertex;
    uint8_t m_uDiffuseSource;
    uint8_t m_uAmbientSource;
    uint8_t m_uSpecularSource;
    uint8_t m_uEmissiveSource;
    uint8_t m_bNormalize;
    uint8_t m_bLocalViewer;
    uint8_t m_bPointScale;
    uint8_t m_bFlat;
    uint8_t m_auLightType[8]; // D3DLIGHTTYPE of the enabled lights in order, 0 after the last
    uint8_t m_auTexCoordSize[8];
    // The coordinates of the texture stages, when the vertex stage is generated: the first
    // m_uCoordStages stages each get theirs in the varying of the stage's own number, from
    // a coordinate set or generated (D3DTSS_TCI_* >> 16), then multiplied by the stage's
    // texture matrix when m_auStageTransform (D3DTTFF_COUNTn, 0: none) says so. With no
    // stages, each varying carries the coordinate set of its number.
    uint8_t m_uCoordStages;
    uint8_t m_auStageSet[8];
    uint8_t m_auStageGen[8];
    uint8_t m_auStageTransform[8];
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
    uint8_t m_uColorOp;
    uint8_t m_auColorArg[3]; // arg0, arg1, arg2
    uint8_t m_uAlphaOp;
    uint8_t m_auAlphaArg[3];
    uint8_t m_uTexCoordIndex; // the varying the stage reads
    uint8_t m_uTexture;       // EOrvFFTexture of the stage's texture
    uint8_t m_uProjected;     // D3DTTFF_PROJECTED: divided by component n - 1 (0: not)
};

struct SOrvFFFragmentKey
{
    SOrvFFStageKey m_aStages[8];
    uint8_t m_uStageCount;
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

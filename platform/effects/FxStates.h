#pragma once

#include "FxFile.h"
#include "d3d9.h"

#include <string>
#include <vector>

// The device states an effect pass or sampler_state block can assign, by their effect-file
// names (case-insensitive): "ZEnable", "SrcBlend", "MinFilter", "ColorOp[1]", "Texture[0]".
enum class EOrvFxStateKind
{
    Unknown,
    Render,        // SetRenderState
    Sampler,       // SetSamplerState (in sampler_state blocks, or Name[unit] in a pass)
    TextureStage,  // SetTextureStageState(index, ...)
    Texture,       // SetTexture(index, texture parameter)
    SamplerObject, // Sampler[unit] = <sampler parameter>
    Light,         // one member of light [index]: m_dwState is an EOrvFxLightMember
    LightEnable,   // LightEnable(index, ...)
    Material,      // one member of the material: m_dwState is an EOrvFxMaterialMember
    Transform,     // SetTransform(m_dwState + index, matrix)
    Unsupported,   // a Direct3D 9 state that effects here cannot set (shader constants, FVF)
};

enum EOrvFxLightMember : DWORD
{
    ORV_FXL_TYPE,
    ORV_FXL_DIFFUSE,
    ORV_FXL_SPECULAR,
    ORV_FXL_AMBIENT,
    ORV_FXL_POSITION,
    ORV_FXL_DIRECTION,
    ORV_FXL_RANGE,
    ORV_FXL_FALLOFF,
    ORV_FXL_ATTENUATION0,
    ORV_FXL_ATTENUATION1,
    ORV_FXL_ATTENUATION2,
    ORV_FXL_THETA,
    ORV_FXL_PHI,
};

enum EOrvFxMaterialMember : DWORD
{
    ORV_FXM_DIFFUSE,
    ORV_FXM_AMBIENT,
    ORV_FXM_SPECULAR,
    ORV_FXM_EMISSIVE,
    ORV_FXM_POWER,
};

struct SOrvFxStateInfo
{
    EOrvFxStateKind m_eKind = EOrvFxStateKind::Unknown;
    DWORD m_dwState = 0; // D3DRS_*, D3DSAMP_*, D3DTSS_*, D3DTS_*, or a member as above
};

// Finds a state by name; a sampler_state block knows only sampler states and "Texture".
SOrvFxStateInfo OrvFxFindState(const std::string& sName, bool bInSamplerBlock);

// States whose value is a list of floats (light and material members, transforms) rather
// than one DWORD.
bool OrvFxIsVectorState(const SOrvFxStateInfo& state);

// The value of a constant name for a state (CCW for CullMode, LINEAR for MinFilter, TRUE).
bool OrvFxStateNameValue(const SOrvFxStateInfo& state, const std::string& sName, DWORD& dwValue);

// The DWORD a state takes for an evaluated value: a float's bit pattern for float states,
// a packed A8R8G8B8 colour for colour states given three or four components, else the number.
DWORD OrvFxStateFromValues(const SOrvFxStateInfo& state, const std::vector<double>& adValue);

// The DWORD for a number, as above (states written as "ZEnable = <bParam>").
DWORD OrvFxStateNumber(const SOrvFxStateInfo& state, double dValue);

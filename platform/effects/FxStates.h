#pragma once

#include "FxFile.h"
#include "d3d9.h"

#include <string>

// The device states an effect pass or sampler_state block can assign, by their effect-file
// names (case-insensitive): "ZEnable", "SrcBlend", "MinFilter", "ColorOp[1]", "Texture[0]".
enum class EOrvFxStateKind
{
    Unknown,
    Render,       // SetRenderState
    Sampler,      // SetSamplerState (in sampler_state blocks, or Name[unit] in a pass)
    TextureStage, // SetTextureStageState(index, ...)
    Texture,      // SetTexture(index, texture parameter)
    SamplerObject // Sampler[unit] = <sampler parameter>
};

struct SOrvFxStateInfo
{
    EOrvFxStateKind m_eKind = EOrvFxStateKind::Unknown;
    DWORD m_dwState = 0; // D3DRS_*, D3DSAMP_* or D3DTSS_*
};

// Finds a state by name; a sampler_state block knows only sampler states and "Texture".
SOrvFxStateInfo OrvFxFindState(const std::string& sName, bool bInSamplerBlock);

// Turns a literal value into the DWORD the device takes for that state: named constants
// (TRUE, SRCALPHA, LESSEQUAL, CCW, LINEAR, CLAMP, MODULATE, RED | GREEN, ...), numbers, and
// floats as their bit pattern for float states. False for a name the state does not know.
bool OrvFxStateValue(const SOrvFxStateInfo& state, const SOrvFxValue& value, DWORD& dwValue);

// The same for a number taken from a parameter (states written as "ZEnable = <bParam>").
DWORD OrvFxStateNumber(const SOrvFxStateInfo& state, float fValue);

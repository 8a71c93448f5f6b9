#pragma once

// Effects for the recording device. Effects run on the OpenGL device only, so this test
// program replaces D3DXCreateEffectFromFileA: for a recording device it compiles the file
// on a private headless device and hands out a wrapper that keeps the real effect's
// parameters, techniques and passes, but applies nothing and notes the calls that make a
// draw (SetTechnique, SetTexture, Begin, BeginPass, EndPass, End) in step with the device's
// own call log.
#include "RecordingDevice.h"

#include <string>
#include <vector>

// The recording device's calls with the effects' calls in between, in the order they were
// made, keeping only those whose name is in `names` (all when empty). Effect calls read
// "Effect.SetTechnique PostProcessDown", "Effect.SetTexture Tex texture#3", ...
std::vector<std::string> CallsWithEffects(const CRecordingDevice& device,
                                          const std::vector<std::string>& names = {});
// Forgets the noted effect calls (with the device's ClearCalls).
void ClearEffectCalls();

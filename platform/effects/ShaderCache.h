#pragma once

#include "FxTranslator.h"

#include <string>

// Translated shader stages kept on disk between runs, so that an effect created again (next
// start, device change) skips the HLSL compiler. Entries are keyed by a hash of everything
// the translation depends on: the effect's shader source, entry point, profile, stage and the
// translator's version. The folder is $ORV_SHADER_CACHE, else $XDG_CACHE_HOME/orv, else
// ~/.cache/orv; a cache that cannot be read or written is simply not used.
class COrvShaderCache
{
public:
    static std::string GetDirectory();
    static std::string MakeKey(const std::string& sSource, const SOrvFxShader& shader,
                               EOrvShaderStage eStage);
    static bool Load(const std::string& sKey, SOrvGlslShader& shader);
    static void Store(const std::string& sKey, const SOrvGlslShader& shader);
};

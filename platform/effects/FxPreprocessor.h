#pragma once

#include "FxSource.h"
#include "d3dx9effect.h"

#include <string>

// The C preprocessor in front of the effect parser: object- and function-like macros,
// #if/#ifdef/#elif/#else with defined(), #undef, #error, token pasting and #include. The work
// is glslang's preprocessor (the one its HLSL front end uses); this class feeds it the
// caller's macros and the include files, keeps string literals byte for byte (glslang would
// unescape them) and turns its #line markers into a line map.
//
// #include "name" and #include <name> come from the host's ID3DXInclude when one is given;
// otherwise from a file next to the including file, else from the current directory.
class COrvFxPreprocessor
{
public:
    // sFileName names the effect in messages and is the including file of its #includes
    // ("memory" for text in memory: includes then come from the current directory). False
    // with "file(line): error: text" lines in sErrors.
    static bool Run(const std::string& sSource, const std::string& sFileName,
                    const D3DXMACRO* pDefines, ID3DXInclude* pInclude, SOrvFxSource& result,
                    std::string& sErrors);

    // Limits against runaway inputs: include depth, files opened, bytes of output.
    static constexpr size_t s_uMaxIncludeDepth = 32;
    static constexpr size_t s_uMaxIncludes = 256;
    static constexpr size_t s_uMaxOutputBytes = 32u << 20;
};

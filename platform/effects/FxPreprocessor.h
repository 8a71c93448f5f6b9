#pragma once

#include "FxSource.h"
#include "d3dx9effect.h"

#include <string>

// The C preprocessor in front of the effect parser: object- and function-like macros (with
// # and ##, __VA_ARGS__, __LINE__, __FILE__), #if/#ifdef/#ifndef/#elif/#else with defined(),
// #undef, #error, #line, #pragma once and #include. #pragma lines stay for the shader
// compiler. The output keeps each token on a line of its origin, and the line map says which
// file and line that is.
//
// #include "name" and #include <name> come from the host's ID3DXInclude when one is given;
// otherwise from a file next to the including file, then next to each file that included
// that one out to the effect itself, else from the current directory (a name
// is matched without regard to case when the exact one is missing).
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

#pragma once

#include "FxFile.h"

#include <string>

// "compile ps_2_0 PS(true, 3)" binds literal values to the entry point's uniform parameters.
// The shader compiler has no such binding, so a wrapper entry point is appended to the code:
// it takes the entry's other parameters (with their semantics) and calls the entry with the
// literals in place of the uniform ones.
// On success sSource has the wrapper appended and sEntry names it.
bool OrvFxWrapEntry(std::string& sSource, const SOrvFxShader& shader, std::string& sEntry,
                    std::string& sError);

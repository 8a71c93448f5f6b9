#pragma once

#include "FxLexer.h"

#include <string>
#include <string_view>
#include <vector>

// Shader code that HLSL accepts and glslang's HLSL front end rejects, rewritten in the text the
// shader compiler gets (on the same line, so that messages still point at the author's):
//
//   (float[4])v  ->  {(v)[0], (v)[1], (v)[2], (v)[3]}
//     the cast of a vector to an array that skinning shaders use, as the list that
//     initialises the array the same way;
//   fixed4  ->  half4
//     the fixed types of other shading languages, which effect files use as synonyms of half
//     and glslang does not know;
//   float4 v[3] = { 0, 0, 0, 0, /* 12 scalars */ };  ->  { float4(0, 0, 0, 0), ... }
//     an array of vectors or matrices initialised from a flat list of scalars, which HLSL
//     spreads over the elements in order;
//   float4(dxSize, dx) = ddx(uv);  ->  { float4 orv_parts = ddx(uv); dxSize = orv_parts.xyz;
//                                        dx = orv_parts.w; }
//     a vector constructor as the target of an assignment: each named variable receives its
//     components, in order (their sizes come from their declarations).
struct SOrvFxRewrite
{
    size_t m_uBegin; // byte range of the source replaced
    size_t m_uEnd;
    std::string m_sText;
};

// The rewrites of tokens (of sSource) that lie outside the byte ranges in blanked.
void OrvFxFindRewrites(const std::vector<SOrvFxToken>& tokens, std::string_view sSource,
                       const std::vector<std::pair<size_t, size_t>>& blanked,
                       std::vector<SOrvFxRewrite>& rewrites);

// The casts of vectors to arrays among the tokens (of sSource).
void OrvFxFindArrayCasts(const std::vector<SOrvFxToken>& tokens, std::string_view sSource,
                         std::vector<SOrvFxRewrite>& rewrites);

// The fixed types outside the byte ranges in blanked, but for names the file declares itself
// (its structs and typedefs, asOwnTypes).
void OrvFxFindFixedTypes(const std::vector<SOrvFxToken>& tokens,
                         const std::vector<std::pair<size_t, size_t>>& blanked,
                         const std::vector<std::string>& asOwnTypes,
                         std::vector<SOrvFxRewrite>& rewrites);

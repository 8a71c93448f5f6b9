#pragma once

// Linked GLSL programs of a device, by key: fixed-function stage pairs and pairs made with
// stages of one's own (effects). Each program carries the locations of the fixed-function
// uniforms it uses and the version of their values it was last given.
#include "OrvFixedFunction.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <unordered_map>

enum EOrvUniform
{
    ORV_U_WORLDVIEWPROJ,
    ORV_U_WORLDVIEW,
    ORV_U_NORMALMATRIX,
    ORV_U_VIEWPORT,
    ORV_U_CLIPFIXUP,
    ORV_U_MATDIFFUSE,
    ORV_U_MATAMBIENT,
    ORV_U_MATSPECULAR,
    ORV_U_MATEMISSIVE,
    ORV_U_MATPOWER,
    ORV_U_GLOBALAMBIENT,
    ORV_U_LIGHTDIFFUSE,
    ORV_U_LIGHTSPECULAR,
    ORV_U_LIGHTAMBIENT,
    ORV_U_LIGHTPOSITION,
    ORV_U_LIGHTDIRECTION,
    ORV_U_LIGHTATTEN,
    ORV_U_LIGHTSPOT,
    ORV_U_POINTSIZE,
    ORV_U_POINTSCALE,
    ORV_U_TEXFACTOR,
    ORV_U_ALPHAFUNC,
    ORV_U_ALPHAREF,
    ORV_U_TEXMATRIX,
    ORV_U_COUNT
};

struct SOrvProgram
{
    GLuint m_uProgram = 0;
    GLint m_aiLocation[ORV_U_COUNT];
    uint64_t m_ui64Serial = 0;       // version of the uniform values last uploaded (0: none)
    uint64_t m_ui64CustomSerial = 0; // the same for the uniforms of stages of one's own
    GLuint m_uVertexShader = 0;      // stages of one's own it was linked with (0: generated)
    GLuint m_uFragmentShader = 0;
};

class COrvGLProgramCache
{
public:
    ~COrvGLProgramCache();

    // Program for a pair of stages: a shader object of one's own, or 0 for the generated
    // fixed-function stage of the key. Null when compiling or linking fails (reported once
    // per key, through OrvReport).
    SOrvProgram* Get(GLuint uVertexShader, GLuint uFragmentShader,
                     const SOrvFFVertexKey& rVertexKey, const SOrvFFFragmentKey& rFragmentKey);
    // Drops the programs linked with a shader object of one's own.
    void Forget(GLuint uShader);
    // Deletes every program (the context must be current).
    void Clear();

private:
    std::unordered_map<std::string, SOrvProgram> m_programs;
    std::unordered_map<std::string, bool> m_failed;
};

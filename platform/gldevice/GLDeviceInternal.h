#pragma once

// Hooks into the OpenGL device for the parts of the platform that run their own GLSL (the
// effect framework). Everything else reaches the device through d3d9.h only.
//
// How an effect pass draws with its own shaders:
//   1. orv::gl::MakeCurrent(device) before any GL call of your own: it makes the device's
//      context current and submits the draws the device still holds in its batch.
//   2. Compile your vertex and/or fragment stage (GLSL 330 core) yourself:
//      - vertex inputs: `layout(location = N) in ...` with N from the Attrib* numbers below,
//        chosen by the input's HLSL semantic (POSITION0, NORMAL0, COLORn, TEXCOORDn, ...);
//      - a vertex stage ends with `gl_Position = orv_FixClip(gl_Position);`, declared by
//        ClipFixupSource() (paste it before main): it turns a Direct3D clip position
//        (z in 0..w, y up, pixel centres on integers) into the device's GL conventions. The
//        device keeps the uniform it reads up to date;
//      - varyings between a stage of yours and a fixed-function stage are vec4s named
//        `orv_Color0`, `orv_Color1` (COLOR0/1: diffuse, specular) and `orv_TexCoord0` ..
//        `orv_TexCoord7` (TEXCOORDn); declare them as vec4 and use the components you need.
//        The fixed-function fragment stage reads its textures from samplers named
//        `orv_Sampler0` .. `orv_Sampler7`, bound to texture units 0..7 (sampler2D,
//        samplerCube or sampler3D by the kind of texture set on the stage; cube and volume
//        textures read the xyz of the stage's coordinates).
//      - a fragment stage of yours honours D3DRS_ALPHATESTENABLE/ALPHAFUNC/ALPHAREF by
//        calling `orv_AlphaTest(alpha)` (declared by AlphaTestSource(), pasted before main)
//        on the alpha it writes to render target 0.
//   3. orv::gl::UseShaderStages(device, vs, fs): following draws use a program linked from
//      your stages, with the device's generated fixed-function stage in place of a zero
//      argument (built for the fixed-function state at each draw). It returns the program
//      for the current state, current now. UseShaderStages(device, 0, 0) returns to fixed
//      function.
//      Values of your uniforms belong to a program, and a draw may need another program than
//      the one returned (the host sets a new vertex format after this call, and the generated
//      stage changes with it): give them with orv::gl::SetShaderUniforms(device, upload), and
//      the device calls upload(program), with the program bound, before the first draw with
//      each program of your stages since that call. Call it again when the values change.
//   4. Textures and samplers: call the public SetTexture(n, texture) and SetSamplerState(n,
//      ...) and point your sampler uniform at unit n; render states go through the public
//      SetRenderState (the device owns blending, depth, culling and targets: do not change
//      GL state of that kind yourself).
//   5. Before glDeleteShader on a stage you passed to UseShaderStages, call
//      orv::gl::ForgetShader(device, shader) so the device drops the programs linked with it.
#include "d3d9.h"

#include <functional>
#include <string>

namespace orv::gl
{
// Vertex attribute locations, by HLSL semantic.
enum EAttrib : unsigned int
{
    AttribPosition = 0,  // POSITION0 (and POSITIONT)
    AttribNormal = 1,    // NORMAL0
    AttribColor0 = 2,    // COLOR0 (diffuse)
    AttribColor1 = 3,    // COLOR1 (specular)
    AttribTexCoord0 = 4, // TEXCOORD0; TEXCOORDn is AttribTexCoord0 + n, n < 8
    AttribPSize = 12,    // PSIZE0
    AttribTangent = 13,  // TANGENT0
    AttribBinormal = 14, // BINORMAL0
    AttribBlendWeight = 15,
    // BLENDINDICES0 shares the location of PSIZE0: skinned vertices have no point size.
    AttribBlendIndices = 12,
    AttribCount = 16
};

// Makes the device's GL context current and submits the draws it holds. False if the
// device is not one of ours.
bool MakeCurrent(IDirect3DDevice9* pDevice);

// GL texture name of a texture made by the device (GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP or
// GL_TEXTURE_3D, by its kind); 0 for null or foreign.
unsigned int GetTextureName(IDirect3DBaseTexture9* pTexture);

// Installs shader stages for the following draws (see above). Returns the linked program,
// or 0 when linking failed (the draws then fall back to fixed function, and the link log
// goes to standard error once) or when both stages are 0.
unsigned int UseShaderStages(IDirect3DDevice9* pDevice, unsigned int vertexShader,
                             unsigned int fragmentShader);

// Sets the function that gives the uniforms of the stages installed by UseShaderStages
// their values (see above); it is dropped by UseShaderStages(device, 0, 0) and by
// ForgetShader of an installed stage.
void SetShaderUniforms(IDirect3DDevice9* pDevice, std::function<void(unsigned int)> upload);

// Drops every program the device linked with this shader object.
void ForgetShader(IDirect3DDevice9* pDevice, unsigned int shader);

// GLSL sources of the fixed-function stages for the device's current state (vertex format,
// lights, texture stages, alpha test, ...), with the interface names given above.
std::string GetFixedFunctionVertexSource(IDirect3DDevice9* pDevice);
std::string GetFixedFunctionFragmentSource(IDirect3DDevice9* pDevice);

// Declarations to paste into a vertex stage of one's own, before main.
const char* ClipFixupSource();

// Declarations to paste into a fragment stage of one's own, before main.
const char* AlphaTestSource();
} // namespace orv::gl

// The uniforms of the generated fixed-function programs: computed from the transforms,
// material, lights and render states once per change, uploaded to each program that has not
// seen that change yet.
#include "OrvGLDevice.h"
#include "OrvGLStateValues.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
void ValueToFloats(const D3DCOLORVALUE& rValue, float* pfOut)
{
    pfOut[0] = rValue.r;
    pfOut[1] = rValue.g;
    pfOut[2] = rValue.b;
    pfOut[3] = rValue.a;
}

// Normal matrix of a row-vector transform: transpose of the inverse of its 3x3 part, laid
// out so that GLSL's `mat3 * n` gives n times that matrix.
void NormalMatrix(const D3DMATRIX& rMatrix, float* pfOut)
{
    const float(*a)[4] = rMatrix.m;
    const float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    const float c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    const float c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const float fDet = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    const float fInv = std::fabs(fDet) > 1e-20f ? 1.f / fDet : 0.f;
    float inv[3][3];
    inv[0][0] = c00 * fInv;
    inv[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * fInv;
    inv[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * fInv;
    inv[1][0] = c01 * fInv;
    inv[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * fInv;
    inv[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * fInv;
    inv[2][0] = c02 * fInv;
    inv[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * fInv;
    inv[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * fInv;
    // N = transpose(inv) in row-major; GL reads columns, so store N's rows as columns.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            pfOut[i * 3 + j] = inv[j][i];
}

void TransformPoint(const D3DMATRIX& m, const D3DVECTOR& v, float* pfOut)
{
    for (int j = 0; j < 3; ++j)
        pfOut[j] = v.x * m.m[0][j] + v.y * m.m[1][j] + v.z * m.m[2][j] + m.m[3][j];
    pfOut[3] = 1.f;
}

void TransformDirection(const D3DMATRIX& m, const D3DVECTOR& v, float* pfOut)
{
    for (int j = 0; j < 3; ++j)
        pfOut[j] = v.x * m.m[0][j] + v.y * m.m[1][j] + v.z * m.m[2][j];
    const float fLength =
        std::sqrt(pfOut[0] * pfOut[0] + pfOut[1] * pfOut[1] + pfOut[2] * pfOut[2]);
    if (fLength > 0.f)
        for (int j = 0; j < 3; ++j)
            pfOut[j] /= fLength;
    pfOut[3] = 0.f;
}
} // namespace

void COrvGLDevice::ComputeUniforms()
{
    SUniformValues& u = m_uniforms;
    const DWORD* rs = m_adwRenderState;
    const D3DMATRIX& rView = m_aTransforms[0];
    const D3DMATRIX worldView = OrvMultiply(m_aTransforms[2], rView);
    const D3DMATRIX worldViewProj = OrvMultiply(worldView, m_aTransforms[1]);
    std::memcpy(u.m_afWorldView, &worldView, sizeof(u.m_afWorldView));
    std::memcpy(u.m_afWorldViewProj, &worldViewProj, sizeof(u.m_afWorldViewProj));
    NormalMatrix(worldView, u.m_afNormal);
    const float fWidth = (float)std::max<DWORD>(m_viewport.Width, 1);
    const float fHeight = (float)std::max<DWORD>(m_viewport.Height, 1);
    const float afViewport[4] = {(float)m_viewport.X, (float)m_viewport.Y, fWidth, fHeight};
    std::memcpy(u.m_afViewport, afViewport, sizeof(afViewport));
    const float afFixup[4] = {1.f / fWidth, 1.f / fHeight, 0.f, 0.f};
    std::memcpy(u.m_afClipFixup, afFixup, sizeof(afFixup));
    ValueToFloats(m_material.Diffuse, u.m_afMaterial[0]);
    ValueToFloats(m_material.Ambient, u.m_afMaterial[1]);
    ValueToFloats(m_material.Specular, u.m_afMaterial[2]);
    ValueToFloats(m_material.Emissive, u.m_afMaterial[3]);
    u.m_fPower = m_material.Power;
    OrvColorToFloats(rs[D3DRS_AMBIENT], u.m_afGlobalAmbient);
    std::memset(u.m_afLight, 0, sizeof(u.m_afLight));
    unsigned uLight = 0;
    for (const auto& rEnabled : m_lightEnabled)
    {
        if (!rEnabled.second || uLight >= ORV_FF_MAX_LIGHTS)
            continue;
        const D3DLIGHT9& rLight = m_lights.at(rEnabled.first);
        ValueToFloats(rLight.Diffuse, u.m_afLight[0][uLight]);
        ValueToFloats(rLight.Specular, u.m_afLight[1][uLight]);
        ValueToFloats(rLight.Ambient, u.m_afLight[2][uLight]);
        TransformPoint(rView, rLight.Position, u.m_afLight[3][uLight]);
        TransformDirection(rView, rLight.Direction, u.m_afLight[4][uLight]);
        const float afAtten[4] = {rLight.Attenuation0, rLight.Attenuation1, rLight.Attenuation2,
                                  rLight.Range > 0.f ? rLight.Range : 1e30f};
        std::memcpy(u.m_afLight[5][uLight], afAtten, sizeof(afAtten));
        const float afSpot[4] = {std::cos(rLight.Theta * 0.5f), std::cos(rLight.Phi * 0.5f),
                                 rLight.Falloff, 0.f};
        std::memcpy(u.m_afLight[6][uLight], afSpot, sizeof(afSpot));
        ++uLight;
    }
    const float afPointSize[4] = {OrvStateAsFloat(rs[D3DRS_POINTSIZE]),
                                  OrvStateAsFloat(rs[D3DRS_POINTSIZE_MIN]),
                                  OrvStateAsFloat(rs[D3DRS_POINTSIZE_MAX]), 0.f};
    std::memcpy(u.m_afPointSize, afPointSize, sizeof(afPointSize));
    const float afPointScale[4] = {OrvStateAsFloat(rs[D3DRS_POINTSCALE_A]),
                                   OrvStateAsFloat(rs[D3DRS_POINTSCALE_B]),
                                   OrvStateAsFloat(rs[D3DRS_POINTSCALE_C]), fHeight};
    std::memcpy(u.m_afPointScale, afPointScale, sizeof(afPointScale));
    OrvColorToFloats(rs[D3DRS_TEXTUREFACTOR], u.m_afTexFactor);
    std::memcpy(u.m_afTexMatrix, &m_aTransforms[6], sizeof(u.m_afTexMatrix));
    u.m_iAlphaFunc =
        rs[D3DRS_ALPHATESTENABLE] ? (int)std::clamp<DWORD>(rs[D3DRS_ALPHAFUNC], 1, 8) : 8;
    u.m_fAlphaRef = (float)(rs[D3DRS_ALPHAREF] & 0xFF);
}

void COrvGLDevice::UploadUniforms(SOrvProgram& rProgram)
{
    const GLint* loc = rProgram.m_aiLocation;
    const SUniformValues& u = m_uniforms;
    auto vec4 = [&](int iUniform, const float* pf, GLsizei iCount = 1)
    {
        if (loc[iUniform] >= 0)
            glUniform4fv(loc[iUniform], iCount, pf);
    };
    if (loc[ORV_U_WORLDVIEWPROJ] >= 0)
        glUniformMatrix4fv(loc[ORV_U_WORLDVIEWPROJ], 1, GL_FALSE, u.m_afWorldViewProj);
    if (loc[ORV_U_WORLDVIEW] >= 0)
        glUniformMatrix4fv(loc[ORV_U_WORLDVIEW], 1, GL_FALSE, u.m_afWorldView);
    if (loc[ORV_U_NORMALMATRIX] >= 0)
        glUniformMatrix3fv(loc[ORV_U_NORMALMATRIX], 1, GL_FALSE, u.m_afNormal);
    vec4(ORV_U_VIEWPORT, u.m_afViewport);
    vec4(ORV_U_CLIPFIXUP, u.m_afClipFixup);
    for (int i = 0; i < 4; ++i)
        vec4(ORV_U_MATDIFFUSE + i, u.m_afMaterial[i]);
    if (loc[ORV_U_MATPOWER] >= 0)
        glUniform1f(loc[ORV_U_MATPOWER], u.m_fPower);
    vec4(ORV_U_GLOBALAMBIENT, u.m_afGlobalAmbient);
    for (int i = 0; i < 7; ++i)
        vec4(ORV_U_LIGHTDIFFUSE + i, &u.m_afLight[i][0][0], 8);
    vec4(ORV_U_POINTSIZE, u.m_afPointSize);
    vec4(ORV_U_POINTSCALE, u.m_afPointScale);
    vec4(ORV_U_TEXFACTOR, u.m_afTexFactor);
    if (loc[ORV_U_TEXMATRIX] >= 0)
        glUniformMatrix4fv(loc[ORV_U_TEXMATRIX], 8, GL_FALSE, u.m_afTexMatrix);
    if (loc[ORV_U_ALPHAFUNC] >= 0)
        glUniform1i(loc[ORV_U_ALPHAFUNC], u.m_iAlphaFunc);
    if (loc[ORV_U_ALPHAREF] >= 0)
        glUniform1f(loc[ORV_U_ALPHAREF], u.m_fAlphaRef);
    rProgram.m_ui64Serial = m_ui64UniformSerial;
}

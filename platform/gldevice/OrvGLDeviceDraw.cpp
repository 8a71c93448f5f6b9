// Drawing: state application, vertex input and the draw batch. The enum tables are in
// OrvGLStateValues.cpp, the fixed-function uniforms in OrvGLDeviceUniforms.cpp.
#include "OrvGLBuffer.h"
#include "OrvGLDevice.h"
#include "OrvGLStateValues.h"
#include "OrvGLTexture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
UINT AttribBytes(const SOrvVertexAttrib& rAttrib)
{
    if (rAttrib.m_iSize == GL_BGRA)
        return 4;
    UINT uComponent = 4;
    if (rAttrib.m_eType == GL_UNSIGNED_BYTE)
        uComponent = 1;
    else if (rAttrib.m_eType == GL_SHORT || rAttrib.m_eType == GL_UNSIGNED_SHORT ||
             rAttrib.m_eType == GL_HALF_FLOAT)
        uComponent = 2;
    return uComponent * (UINT)rAttrib.m_iSize;
}
} // namespace

void COrvGLDevice::Changed(uint32_t uDirty)
{
    FlushBatch();
    m_uDirty |= uDirty;
    if (uDirty & DIRTY_UNIFORMS)
        ++m_ui64UniformSerial;
}

void COrvGLDevice::InvalidateBindings()
{
    FlushBatch();
    for (uint8_t& ruTargets : m_auUnitTargets)
        ruTargets = 0x7;
    m_uDirty |= DIRTY_TEXTURES | DIRTY_SAMPLERS | DIRTY_VERTEX;
    m_uBoundProgram = 0;
    m_pBoundLayout = nullptr;
}

void COrvGLDevice::FlushBatch()
{
    const size_t uCount = m_aiBatchCount.size();
    if (uCount == 0)
        return;
    if (m_pCore->MakeCurrent())
    {
        if (uCount == 1)
            glDrawArrays(m_eBatchMode, m_aiBatchFirst[0], m_aiBatchCount[0]);
        else if (!DrawBatchIndexed())
            glMultiDrawArrays(m_eBatchMode, m_aiBatchFirst.data(), m_aiBatchCount.data(),
                              (GLsizei)uCount);
    }
    m_aiBatchFirst.clear();
    m_aiBatchCount.clear();
}

// Software rasterisers pay a set-up cost per draw, even inside glMultiDrawArrays: strips and
// lists of the batch become one indexed list. Strip triangles keep their first vertex and
// their winding.
bool COrvGLDevice::DrawBatchIndexed()
{
    GLenum eMode = m_eBatchMode;
    std::vector<GLuint>& raIndices = m_aiBatchIndices;
    raIndices.clear();
    if (eMode == GL_TRIANGLE_STRIP)
    {
        for (size_t i = 0; i < m_aiBatchCount.size(); ++i)
        {
            const GLuint uFirst = (GLuint)m_aiBatchFirst[i];
            const GLuint uTriangles = (GLuint)m_aiBatchCount[i] - 2;
            for (GLuint k = 0; k < uTriangles; ++k)
            {
                const GLuint v = uFirst + k;
                raIndices.push_back(v);
                raIndices.push_back(k & 1 ? v + 2 : v + 1);
                raIndices.push_back(k & 1 ? v + 1 : v + 2);
            }
        }
        eMode = GL_TRIANGLES;
    }
    else if (eMode == GL_TRIANGLES || eMode == GL_LINES || eMode == GL_POINTS)
    {
        for (size_t i = 0; i < m_aiBatchCount.size(); ++i)
            for (GLint v = 0; v < m_aiBatchCount[i]; ++v)
                raIndices.push_back((GLuint)(m_aiBatchFirst[i] + v));
    }
    else
        return false;
    UploadUserData(m_uBatchIndexBuffer, raIndices.data(), raIndices.size() * sizeof(GLuint),
                   GL_ELEMENT_ARRAY_BUFFER);
    glDrawElements(eMode, (GLsizei)raIndices.size(), GL_UNSIGNED_INT, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_pIndices ? m_pIndices->GetStore().GetName() : 0);
    return true;
}

const SOrvVertexLayout* COrvGLDevice::CurrentLayout() const
{
    if (m_pDecl)
        return &m_pDecl->GetLayout();
    return m_bFVFValid ? &m_fvfLayout : nullptr;
}

bool COrvGLDevice::StreamsCover(const SOrvVertexLayout& rLayout, UINT uFirstVertex,
                                UINT uVertexCount) const
{
    return (uint64_t)uFirstVertex + uVertexCount <= VertexLimit(rLayout);
}

void COrvGLDevice::ApplyRaster()
{
    const DWORD* rs = m_adwRenderState;
    if (rs[D3DRS_ALPHABLENDENABLE])
    {
        glEnable(GL_BLEND);
        GLenum eSrc, eDst, eSrcAlpha, eDstAlpha;
        OrvGLBlendPair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], eSrc, eDst);
        eSrcAlpha = eSrc;
        eDstAlpha = eDst;
        GLenum eOpAlpha = OrvGLBlendOp(rs[D3DRS_BLENDOP]);
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE])
        {
            OrvGLBlendPair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], eSrcAlpha, eDstAlpha);
            eOpAlpha = OrvGLBlendOp(rs[D3DRS_BLENDOPALPHA]);
        }
        glBlendFuncSeparate(eSrc, eDst, eSrcAlpha, eDstAlpha);
        glBlendEquationSeparate(OrvGLBlendOp(rs[D3DRS_BLENDOP]), eOpAlpha);
        float afFactor[4];
        OrvColorToFloats(rs[D3DRS_BLENDFACTOR], afFactor);
        glBlendColor(afFactor[0], afFactor[1], afFactor[2], afFactor[3]);
    }
    else
        glDisable(GL_BLEND);

    if (rs[D3DRS_ZENABLE] && m_pDepth)
    {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(OrvGLCompareFunc(rs[D3DRS_ZFUNC]));
        glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    }
    else
        glDisable(GL_DEPTH_TEST);

    if (rs[D3DRS_CULLMODE] == D3DCULL_CW || rs[D3DRS_CULLMODE] == D3DCULL_CCW)
    {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
    }
    else
        glDisable(GL_CULL_FACE);

    const D3DRENDERSTATETYPE aeMasks[4] = {D3DRS_COLORWRITEENABLE, D3DRS_COLORWRITEENABLE1,
                                           D3DRS_COLORWRITEENABLE2, D3DRS_COLORWRITEENABLE3};
    for (GLuint i = 0; i < 4; ++i)
    {
        const DWORD dwMask = rs[aeMasks[i]];
        const bool bNoAlpha = m_apTargets[i] && m_apTargets[i]->GetFormat().m_bNoAlpha;
        glColorMaski(i, (dwMask & 1) != 0, (dwMask & 2) != 0, (dwMask & 4) != 0,
                     (dwMask & 8) != 0 && !bNoAlpha);
    }
    glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                     : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                               : GL_FILL);
    if (rs[D3DRS_STENCILENABLE] && m_pDepth &&
        m_pDepth->GetFormat().m_eFormatGL == GL_DEPTH_STENCIL)
    {
        glEnable(GL_STENCIL_TEST);
        const GLint iRef = (GLint)(rs[D3DRS_STENCILREF] & 0xFF);
        const bool bTwoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
        // Direct3D's clockwise faces are GL's front faces here.
        glStencilFuncSeparate(GL_FRONT, OrvGLCompareFunc(rs[D3DRS_STENCILFUNC]), iRef,
                              rs[D3DRS_STENCILMASK]);
        glStencilOpSeparate(GL_FRONT, OrvGLStencilOp(rs[D3DRS_STENCILFAIL]),
                            OrvGLStencilOp(rs[D3DRS_STENCILZFAIL]),
                            OrvGLStencilOp(rs[D3DRS_STENCILPASS]));
        glStencilFuncSeparate(
            GL_BACK, OrvGLCompareFunc(rs[bTwoSided ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC]),
            iRef, rs[D3DRS_STENCILMASK]);
        glStencilOpSeparate(
            GL_BACK, OrvGLStencilOp(rs[bTwoSided ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL]),
            OrvGLStencilOp(rs[bTwoSided ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL]),
            OrvGLStencilOp(rs[bTwoSided ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    }
    else
        glDisable(GL_STENCIL_TEST);
    const float fSlope = OrvStateAsFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
    const float fBias = OrvStateAsFloat(rs[D3DRS_DEPTHBIAS]);
    if (fSlope != 0.f || fBias != 0.f)
    {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(fSlope, fBias * 65535.f);
    }
    else
        glDisable(GL_POLYGON_OFFSET_FILL);
    m_uDirty &= ~DIRTY_RASTER;
}

// Each unit has its texture on the texture's target and nothing on the other targets, so a
// sampler of another kind reads no stale texture. The 2D target is always set; the cube and
// 3D targets only where they may hold something.
void COrvGLDevice::ApplyTextures()
{
    static const GLenum s_aeTargets[3] = {GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_3D};
    for (GLuint i = 0; i < 16; ++i)
    {
        COrvGLTextureCore* pTexture = m_apTextures[i] ? OrvAsGLTexture(m_apTextures[i]) : nullptr;
        glActiveTexture(GL_TEXTURE0 + i);
        uint8_t uHeld = 1u;
        for (unsigned t = 0; t < 3; ++t)
        {
            const bool bOurs = pTexture && pTexture->GetTarget() == s_aeTargets[t];
            if (bOurs || (m_auUnitTargets[i] & (1u << t)))
                glBindTexture(s_aeTargets[t], bOurs ? pTexture->GetTextureName() : 0);
            if (bOurs)
                uHeld |= uint8_t(1u << t);
        }
        m_auUnitTargets[i] = uHeld;
    }
    glActiveTexture(GL_TEXTURE0);
    m_uDirty &= ~DIRTY_TEXTURES;
}

void COrvGLDevice::ApplySamplers()
{
    for (GLuint i = 0; i < 16; ++i)
    {
        const DWORD* ss = m_adwSamplerState[i];
        const GLuint uSampler = m_auSamplers[i];
        glSamplerParameteri(uSampler, GL_TEXTURE_WRAP_S, OrvGLAddressMode(ss[D3DSAMP_ADDRESSU]));
        glSamplerParameteri(uSampler, GL_TEXTURE_WRAP_T, OrvGLAddressMode(ss[D3DSAMP_ADDRESSV]));
        glSamplerParameteri(uSampler, GL_TEXTURE_WRAP_R, OrvGLAddressMode(ss[D3DSAMP_ADDRESSW]));
        glSamplerParameteri(uSampler, GL_TEXTURE_MAG_FILTER,
                            ss[D3DSAMP_MAGFILTER] == D3DTEXF_POINT ||
                                    ss[D3DSAMP_MAGFILTER] == D3DTEXF_NONE
                                ? GL_NEAREST
                                : GL_LINEAR);
        glSamplerParameteri(uSampler, GL_TEXTURE_MIN_FILTER,
                            OrvGLMinFilter(ss[D3DSAMP_MINFILTER], ss[D3DSAMP_MIPFILTER]));
        float afBorder[4];
        OrvColorToFloats(ss[D3DSAMP_BORDERCOLOR], afBorder);
        glSamplerParameterfv(uSampler, GL_TEXTURE_BORDER_COLOR, afBorder);
        glSamplerParameterf(uSampler, GL_TEXTURE_LOD_BIAS,
                            OrvStateAsFloat(ss[D3DSAMP_MIPMAPLODBIAS]));
        glSamplerParameterf(uSampler, GL_TEXTURE_MIN_LOD, (float)ss[D3DSAMP_MAXMIPLEVEL]);
        glBindSampler(i, uSampler);
    }
    m_uDirty &= ~DIRTY_SAMPLERS;
}

void COrvGLDevice::BuildKeys(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout,
                             SOrvFFVertexKey& rVertexKey, SOrvFFFragmentKey& rFragmentKey) const
{
    std::memset(&rVertexKey, 0, sizeof(rVertexKey));
    std::memset(&rFragmentKey, 0, sizeof(rFragmentKey));
    const DWORD* rs = m_adwRenderState;
    const bool bPoints = ePrimitive == D3DPT_POINTLIST;
    const bool bFlat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    rVertexKey.m_uAttribMask = rLayout.m_uAttribMask;
    rVertexKey.m_bPretransformed = rLayout.m_bPretransformed;
    rVertexKey.m_bLighting = rs[D3DRS_LIGHTING] && !rLayout.m_bPretransformed;
    rVertexKey.m_bFlat = bFlat;
    rVertexKey.m_bPointScale = bPoints && rs[D3DRS_POINTSCALEENABLE];
    std::memcpy(rVertexKey.m_auTexCoordSize, rLayout.m_auTexCoordSize, 8);
    if (rVertexKey.m_bLighting)
    {
        rVertexKey.m_bSpecular = rs[D3DRS_SPECULARENABLE] != 0;
        rVertexKey.m_bColorVertex = rs[D3DRS_COLORVERTEX] != 0;
        rVertexKey.m_uDiffuseSource = (uint8_t)std::min<DWORD>(rs[D3DRS_DIFFUSEMATERIALSOURCE], 2);
        rVertexKey.m_uAmbientSource = (uint8_t)std::min<DWORD>(rs[D3DRS_AMBIENTMATERIALSOURCE], 2);
        rVertexKey.m_uSpecularSource =
            (uint8_t)std::min<DWORD>(rs[D3DRS_SPECULARMATERIALSOURCE], 2);
        rVertexKey.m_uEmissiveSource =
            (uint8_t)std::min<DWORD>(rs[D3DRS_EMISSIVEMATERIALSOURCE], 2);
        rVertexKey.m_bNormalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        rVertexKey.m_bLocalViewer = rs[D3DRS_LOCALVIEWER] != 0;
        unsigned uLight = 0;
        for (const auto& rEnabled : m_lightEnabled)
            if (rEnabled.second && uLight < ORV_FF_MAX_LIGHTS)
                rVertexKey.m_auLightType[uLight++] = (uint8_t)m_lights.at(rEnabled.first).Type;
    }
    for (unsigned s = 0; s < ORV_FF_MAX_STAGES; ++s)
    {
        const DWORD* ts = m_adwStageState[s];
        if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE || ts[D3DTSS_COLOROP] > D3DTOP_LERP)
            break;
        SOrvFFStageKey& rStage = rFragmentKey.m_aStages[s];
        rStage.m_uColorOp = (uint8_t)ts[D3DTSS_COLOROP];
        rStage.m_auColorArg[0] = (uint8_t)ts[D3DTSS_COLORARG0];
        rStage.m_auColorArg[1] = (uint8_t)ts[D3DTSS_COLORARG1];
        rStage.m_auColorArg[2] = (uint8_t)ts[D3DTSS_COLORARG2];
        rStage.m_uAlphaOp = (uint8_t)std::min<DWORD>(ts[D3DTSS_ALPHAOP], 255);
        rStage.m_auAlphaArg[0] = (uint8_t)ts[D3DTSS_ALPHAARG0];
        rStage.m_auAlphaArg[1] = (uint8_t)ts[D3DTSS_ALPHAARG1];
        rStage.m_auAlphaArg[2] = (uint8_t)ts[D3DTSS_ALPHAARG2];
        rStage.m_uTexCoordIndex = (uint8_t)(ts[D3DTSS_TEXCOORDINDEX] & 7);
        rStage.m_uTexture = OrvFFTextureKind(m_apTextures[s]);
        rFragmentKey.m_uStageCount = (uint8_t)(s + 1);
        if (!m_uCustomVertex)
            BuildStageCoordKey(s, rVertexKey, rStage);
    }
    rVertexKey.m_uCoordStages = m_uCustomVertex ? 0 : rFragmentKey.m_uStageCount;
    rFragmentKey.m_bSpecularAdd = rVertexKey.m_bSpecular;
    rFragmentKey.m_bPointSprite = bPoints && rs[D3DRS_POINTSPRITEENABLE];
    rFragmentKey.m_bFlat = bFlat;
}

// With the generated vertex stage, the coordinates of a stage are made for it (its set or a
// generated vector, through its texture matrix) and handed over in the stage's own varying;
// a vertex shader of one's own hands over sets, which the stages read by their index.
void COrvGLDevice::BuildStageCoordKey(unsigned uStage, SOrvFFVertexKey& rVertexKey,
                                      SOrvFFStageKey& rStage) const
{
    const DWORD dwIndex = m_adwStageState[uStage][D3DTSS_TEXCOORDINDEX];
    const DWORD dwFlags = m_adwStageState[uStage][D3DTSS_TEXTURETRANSFORMFLAGS];
    const DWORD dwGen = dwIndex >> 16;
    rVertexKey.m_auStageSet[uStage] = (uint8_t)(dwIndex & 7);
    // Sphere maps are not generated: the stage reads its set.
    rVertexKey.m_auStageGen[uStage] = (uint8_t)(dwGen <= 3 ? dwGen : 0);
    const DWORD dwCount = dwFlags & 0xFF;
    rVertexKey.m_auStageTransform[uStage] = (uint8_t)(dwCount <= 4 ? dwCount : 0);
    if (dwGen == 3)
        rVertexKey.m_bLocalViewer = m_adwRenderState[D3DRS_LOCALVIEWER] != 0;
    rStage.m_uTexCoordIndex = (uint8_t)uStage;
    rStage.m_uProjected =
        (dwFlags & D3DTTFF_PROJECTED) ? rVertexKey.m_auStageTransform[uStage] : (uint8_t)0;
}

bool COrvGLDevice::ApplyProgram(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout)
{
    const bool bPointsChanged =
        (ePrimitive == D3DPT_POINTLIST) != (m_eProgramPrimitive == D3DPT_POINTLIST);
    if ((m_uDirty & DIRTY_PROGRAM) || bPointsChanged || !m_pProgram)
    {
        SOrvFFVertexKey vertexKey;
        SOrvFFFragmentKey fragmentKey;
        BuildKeys(ePrimitive, rLayout, vertexKey, fragmentKey);
        m_pProgram = m_programs.Get(m_uCustomVertex, m_uCustomFragment, vertexKey, fragmentKey);
        if (!m_pProgram && (m_uCustomVertex || m_uCustomFragment))
            m_pProgram = m_programs.Get(0, 0, vertexKey, fragmentKey);
        if (!m_pProgram)
            return false;
        m_eProgramPrimitive = ePrimitive;
        m_uBoundProgram = 0;
    }
    if (m_uBoundProgram != m_pProgram->m_uProgram)
    {
        glUseProgram(m_pProgram->m_uProgram);
        m_uBoundProgram = m_pProgram->m_uProgram;
    }
    if (m_pProgram->m_ui64Serial != m_ui64UniformSerial)
    {
        if (m_ui64ComputedSerial != m_ui64UniformSerial)
        {
            ComputeUniforms();
            m_ui64ComputedSerial = m_ui64UniformSerial;
        }
        UploadUniforms(*m_pProgram);
    }
    // A program of the stages of one's own that has not had their values yet: a new link for
    // the current vertex format gets them here, before its first draw.
    if (m_fnCustomUniforms && (m_pProgram->m_uVertexShader || m_pProgram->m_uFragmentShader) &&
        m_pProgram->m_ui64CustomSerial != m_ui64CustomUniformSerial)
    {
        m_fnCustomUniforms(m_pProgram->m_uProgram);
        m_pProgram->m_ui64CustomSerial = m_ui64CustomUniformSerial;
    }
    return true;
}

void COrvGLDevice::ApplyVertexInput(const SOrvVertexLayout& rLayout, GLuint uUserBuffer)
{
    glBindVertexArray(m_uVertexArray);
    for (GLuint uLocation = 0; uLocation < 16; ++uLocation)
        if (!(rLayout.m_uAttribMask & (1u << uLocation)))
            glDisableVertexAttribArray(uLocation);
    for (const SOrvVertexAttrib& rAttrib : rLayout.m_aAttribs)
    {
        const SStream& rStream = m_aStreams[rAttrib.m_uStream];
        GLuint uBuffer = uUserBuffer;
        uintptr_t uOffset = rAttrib.m_uOffset;
        GLsizei iStride = (GLsizei)(rStream.m_uStride ? rStream.m_uStride : rLayout.m_uFVFStride);
        if (!uUserBuffer)
        {
            uBuffer = rStream.m_pBuffer ? rStream.m_pBuffer->GetStore().GetName() : 0;
            uOffset += rStream.m_uOffset;
        }
        glBindBuffer(GL_ARRAY_BUFFER, uBuffer);
        glEnableVertexAttribArray(rAttrib.m_uLocation);
        if (rAttrib.m_bInteger)
            glVertexAttribIPointer(rAttrib.m_uLocation, rAttrib.m_iSize, rAttrib.m_eType, iStride,
                                   reinterpret_cast<const void*>(uOffset));
        else
            glVertexAttribPointer(rAttrib.m_uLocation, rAttrib.m_iSize, rAttrib.m_eType,
                                  rAttrib.m_bNormalized, iStride,
                                  reinterpret_cast<const void*>(uOffset));
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_pIndices ? m_pIndices->GetStore().GetName() : 0);
    m_pBoundLayout = uUserBuffer ? nullptr : &rLayout;
    m_uBoundUserBuffer = uUserBuffer;
    m_uDirty &= ~DIRTY_VERTEX;
}

bool COrvGLDevice::PrepareDraw(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout,
                               bool bUserData)
{
    if (!m_pCore->MakeCurrent())
        return false;
    if (m_uDirty & DIRTY_TARGETS)
        ApplyTargets();
    if (m_uDirty & DIRTY_VIEWPORT)
        ApplyViewport();
    if (m_uDirty & DIRTY_RASTER)
        ApplyRaster();
    if (m_uDirty & DIRTY_TEXTURES)
        ApplyTextures();
    if (m_uDirty & DIRTY_SAMPLERS)
        ApplySamplers();
    if (!ApplyProgram(ePrimitive, rLayout))
        return false;
    if (!bUserData && ((m_uDirty & DIRTY_VERTEX) || m_pBoundLayout != &rLayout))
        ApplyVertexInput(rLayout, 0);
    m_uDirty &= bUserData ? DIRTY_VERTEX : 0u;
    return true;
}

UINT COrvGLDevice::VertexLimit(const SOrvVertexLayout& rLayout) const
{
    uint64_t uLimit = 0x7FFFFFFF;
    for (const SOrvVertexAttrib& rAttrib : rLayout.m_aAttribs)
    {
        const SStream& rStream = m_aStreams[rAttrib.m_uStream];
        if (!rStream.m_pBuffer)
            return 0;
        const uint64_t uStride = rStream.m_uStride ? rStream.m_uStride : rLayout.m_uFVFStride;
        const uint64_t uLength = rStream.m_pBuffer->GetStore().GetLength();
        const uint64_t uFirstEnd =
            (uint64_t)rStream.m_uOffset + rAttrib.m_uOffset + AttribBytes(rAttrib);
        if (uFirstEnd > uLength)
            return 0;
        uLimit = std::min(uLimit, uStride ? (uLength - uFirstEnd) / uStride + 1 : uLimit);
    }
    return (UINT)uLimit;
}

HRESULT COrvGLDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                    UINT PrimitiveCount)
{
    GLenum eMode;
    uint64_t uVertices;
    if (!OrvGLPrimitive(PrimitiveType, PrimitiveCount, eMode, uVertices))
        return D3DERR_INVALIDCALL;
    // Same state as the draws waiting in the batch: join them.
    if (m_uDirty == 0 && !m_aiBatchCount.empty() && m_eBatchMode == eMode &&
        (uint64_t)StartVertex + uVertices <= m_uBatchVertexLimit)
    {
        if (PrimitiveCount == 0)
            return D3D_OK;
        m_aiBatchFirst.push_back((GLint)StartVertex);
        m_aiBatchCount.push_back((GLsizei)uVertices);
        return D3D_OK;
    }
    const SOrvVertexLayout* pLayout = CurrentLayout();
    if (!pLayout)
        return D3DERR_INVALIDCALL;
    const UINT uLimit = VertexLimit(*pLayout);
    if ((uint64_t)StartVertex + uVertices > uLimit)
        return D3DERR_INVALIDCALL;
    if (PrimitiveCount == 0)
        return D3D_OK;
    FlushBatch();
    if (!PrepareDraw(PrimitiveType, *pLayout, false))
        return D3DERR_INVALIDCALL;
    m_eBatchMode = eMode;
    m_uBatchVertexLimit = uLimit;
    m_aiBatchFirst.push_back((GLint)StartVertex);
    m_aiBatchCount.push_back((GLsizei)uVertices);
    return D3D_OK;
}

GLuint COrvGLDevice::UploadUserData(GLuint& ruBuffer, const void* pData, size_t uSize,
                                    GLenum eTarget)
{
    if (!ruBuffer)
        glGenBuffers(1, &ruBuffer);
    glBindBuffer(eTarget, ruBuffer);
    glBufferData(eTarget, (GLsizeiptr)uSize, nullptr, GL_STREAM_DRAW);
    glBufferSubData(eTarget, 0, (GLsizeiptr)uSize, pData);
    return ruBuffer;
}

HRESULT COrvGLDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                      const void* pVertexStreamZeroData,
                                      UINT VertexStreamZeroStride)
{
    GLenum eMode;
    uint64_t uVertices;
    if (!pVertexStreamZeroData || VertexStreamZeroStride == 0 || VertexStreamZeroStride > 2048 ||
        !OrvGLPrimitive(PrimitiveType, PrimitiveCount, eMode, uVertices) || uVertices > (1u << 24))
        return D3DERR_INVALIDCALL;
    const SOrvVertexLayout* pLayout = CurrentLayout();
    if (!pLayout)
        return D3DERR_INVALIDCALL;
    if (PrimitiveCount == 0)
        return D3D_OK;
    if (!BeginUserDraw(PrimitiveType, *pLayout, pVertexStreamZeroData,
                       uVertices * VertexStreamZeroStride, VertexStreamZeroStride, false))
        return D3DERR_INVALIDCALL;
    glDrawArrays(eMode, 0, (GLsizei)uVertices);
    EndUserDraw();
    return D3D_OK;
}

namespace
{
// Largest index in a range of 16- or 32-bit indices.
uint32_t MaxIndex(const BYTE* pIndices, uint64_t uCount, UINT uIndexSize)
{
    uint32_t uMax = 0;
    for (uint64_t i = 0; i < uCount; ++i)
    {
        uint32_t uIndex;
        if (uIndexSize == 2)
        {
            uint16_t uShort;
            std::memcpy(&uShort, pIndices + 2 * i, 2);
            uIndex = uShort;
        }
        else
            std::memcpy(&uIndex, pIndices + 4 * i, 4);
        uMax = std::max(uMax, uIndex);
    }
    return uMax;
}
} // namespace

HRESULT COrvGLDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                           UINT, UINT, UINT startIndex, UINT primCount)
{
    GLenum eMode;
    uint64_t uIndices;
    if (!m_pIndices || !OrvGLPrimitive(PrimitiveType, primCount, eMode, uIndices))
        return D3DERR_INVALIDCALL;
    if (primCount == 0)
        return D3D_OK;
    const UINT uIndexSize = m_pIndices->GetIndexSize();
    const COrvGLBufferStore& rIndexStore = m_pIndices->GetStore();
    if (((uint64_t)startIndex + uIndices) * uIndexSize > rIndexStore.GetLength())
        return D3DERR_INVALIDCALL;
    const SOrvVertexLayout* pLayout = CurrentLayout();
    if (!pLayout)
        return D3DERR_INVALIDCALL;
    const int64_t iMaxVertex =
        (int64_t)MaxIndex(rIndexStore.GetData() + (size_t)startIndex * uIndexSize, uIndices,
                          uIndexSize) +
        BaseVertexIndex;
    if (iMaxVertex < 0 || iMaxVertex > 0x7FFFFFFF ||
        !StreamsCover(*pLayout, 0, (UINT)iMaxVertex + 1))
        return D3DERR_INVALIDCALL;
    FlushBatch();
    if (!PrepareDraw(PrimitiveType, *pLayout, false))
        return D3DERR_INVALIDCALL;
    glDrawElementsBaseVertex(
        eMode, (GLsizei)uIndices, uIndexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
        reinterpret_cast<const void*>((uintptr_t)startIndex * uIndexSize), BaseVertexIndex);
    return D3D_OK;
}

bool COrvGLDevice::BeginUserDraw(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout,
                                 const void* pVertices, uint64_t uBytes, UINT uStride,
                                 bool bIndexed)
{
    FlushBatch();
    Changed(DIRTY_VERTEX);
    OrvSafeRelease(m_aStreams[0].m_pBuffer);
    if (bIndexed)
        OrvSafeRelease(m_pIndices);
    m_aStreams[0].m_uOffset = 0;
    m_aStreams[0].m_uStride = uStride;
    if (!PrepareDraw(ePrimitive, rLayout, true))
        return false;
    glBindVertexArray(m_uVertexArray);
    ApplyVertexInput(rLayout, UploadUserData(m_uUserVertices, pVertices, uBytes, GL_ARRAY_BUFFER));
    return true;
}

void COrvGLDevice::EndUserDraw()
{
    m_aStreams[0].m_uStride = 0;
    m_uDirty |= DIRTY_VERTEX;
}

HRESULT COrvGLDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                             UINT NumVertices, UINT PrimitiveCount,
                                             const void* pIndexData, D3DFORMAT IndexDataFormat,
                                             const void* pVertexStreamZeroData,
                                             UINT VertexStreamZeroStride)
{
    GLenum eMode;
    uint64_t uIndices;
    if (!pIndexData || !pVertexStreamZeroData || VertexStreamZeroStride == 0 ||
        VertexStreamZeroStride > 2048 ||
        (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32) ||
        !OrvGLPrimitive(PrimitiveType, PrimitiveCount, eMode, uIndices) || uIndices > (1u << 24) ||
        (uint64_t)MinVertexIndex + NumVertices > (1u << 24))
        return D3DERR_INVALIDCALL;
    const SOrvVertexLayout* pLayout = CurrentLayout();
    if (!pLayout)
        return D3DERR_INVALIDCALL;
    if (PrimitiveCount == 0)
        return D3D_OK;
    const UINT uIndexSize = IndexDataFormat == D3DFMT_INDEX16 ? 2 : 4;
    const uint64_t uVertexCount = (uint64_t)MinVertexIndex + NumVertices;
    if (MaxIndex(static_cast<const BYTE*>(pIndexData), uIndices, uIndexSize) >= uVertexCount)
        return D3DERR_INVALIDCALL;
    if (!BeginUserDraw(PrimitiveType, *pLayout, pVertexStreamZeroData,
                       uVertexCount * VertexStreamZeroStride, VertexStreamZeroStride, true))
        return D3DERR_INVALIDCALL;
    UploadUserData(m_uUserIndices, pIndexData, uIndices * uIndexSize, GL_ELEMENT_ARRAY_BUFFER);
    glDrawElements(eMode, (GLsizei)uIndices, uIndexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                   nullptr);
    EndUserDraw();
    return D3D_OK;
}

GLuint COrvGLDevice::UseShaderStages(GLuint uVertexShader, GLuint uFragmentShader)
{
    if (!m_pCore->Prepare())
        return 0;
    Changed(DIRTY_PROGRAM);
    m_uCustomVertex = uVertexShader;
    m_uCustomFragment = uFragmentShader;
    if (!uVertexShader && !uFragmentShader)
    {
        m_fnCustomUniforms = nullptr;
        return 0;
    }
    const SOrvVertexLayout* pLayout = CurrentLayout();
    SOrvVertexLayout empty;
    SOrvFFVertexKey vertexKey;
    SOrvFFFragmentKey fragmentKey;
    BuildKeys(D3DPT_TRIANGLELIST, pLayout ? *pLayout : empty, vertexKey, fragmentKey);
    SOrvProgram* pProgram = m_programs.Get(uVertexShader, uFragmentShader, vertexKey, fragmentKey);
    if (!pProgram)
        return 0;
    glUseProgram(pProgram->m_uProgram);
    m_uBoundProgram = pProgram->m_uProgram;
    m_pProgram = pProgram;
    m_eProgramPrimitive = D3DPT_TRIANGLELIST;
    m_uDirty &= ~DIRTY_PROGRAM;
    return pProgram->m_uProgram;
}

void COrvGLDevice::SetShaderUniforms(std::function<void(GLuint)> upload)
{
    FlushBatch();
    m_fnCustomUniforms = std::move(upload);
    ++m_ui64CustomUniformSerial;
}

void COrvGLDevice::ForgetShader(GLuint uShader)
{
    if (!m_pCore->Prepare())
        return;
    m_programs.Forget(uShader);
    m_pProgram = nullptr;
    m_uBoundProgram = 0;
    m_uDirty |= DIRTY_PROGRAM;
    if (m_uCustomVertex == uShader || m_uCustomFragment == uShader)
        m_fnCustomUniforms = nullptr; // they belonged to whoever is deleting the stage
    if (m_uCustomVertex == uShader)
        m_uCustomVertex = 0;
    if (m_uCustomFragment == uShader)
        m_uCustomFragment = 0;
}

std::string COrvGLDevice::GetFixedFunctionSource(bool bVertex)
{
    const SOrvVertexLayout* pLayout = CurrentLayout();
    SOrvVertexLayout empty;
    SOrvFFVertexKey vertexKey;
    SOrvFFFragmentKey fragmentKey;
    BuildKeys(D3DPT_TRIANGLELIST, pLayout ? *pLayout : empty, vertexKey, fragmentKey);
    return bVertex ? OrvGenerateFFVertexShader(vertexKey)
                   : OrvGenerateFFFragmentShader(fragmentKey);
}

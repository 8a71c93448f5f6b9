#include "FxStates.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <strings.h>

namespace
{
// Value vocabularies: which constant names a state accepts.
enum EDomain
{
    Number,
    Float,
    Bool,
    Blend,
    BlendOp,
    Cmp,
    Cull,
    Fill,
    Shade,
    ZBuffer,
    StencilOp,
    Fog,
    ColorSource,
    ColorWrite,
    Filter,
    Address,
    TextureOp,
    TextureArg,
    Color,
    Wrap,
    TexCoordIndex,
    TransformFlags,
    LightType,
    Vector,
    VertexBlend,
};

struct SStateName
{
    const char* m_pName;
    EOrvFxStateKind m_eKind;
    DWORD m_dwState;
    EDomain m_eDomain;
};

constexpr EOrvFxStateKind R = EOrvFxStateKind::Render;
constexpr EOrvFxStateKind S = EOrvFxStateKind::Sampler;
constexpr EOrvFxStateKind T = EOrvFxStateKind::TextureStage;
constexpr EOrvFxStateKind L = EOrvFxStateKind::Light;
constexpr EOrvFxStateKind M = EOrvFxStateKind::Material;
constexpr EOrvFxStateKind X = EOrvFxStateKind::Transform;
constexpr EOrvFxStateKind U = EOrvFxStateKind::Unsupported;

const SStateName s_aStates[] = {
    {"ZEnable", R, D3DRS_ZENABLE, ZBuffer},
    {"FillMode", R, D3DRS_FILLMODE, Fill},
    {"ShadeMode", R, D3DRS_SHADEMODE, Shade},
    {"ZWriteEnable", R, D3DRS_ZWRITEENABLE, Bool},
    {"AlphaTestEnable", R, D3DRS_ALPHATESTENABLE, Bool},
    {"LastPixel", R, D3DRS_LASTPIXEL, Bool},
    {"SrcBlend", R, D3DRS_SRCBLEND, Blend},
    {"DestBlend", R, D3DRS_DESTBLEND, Blend},
    {"CullMode", R, D3DRS_CULLMODE, Cull},
    {"ZFunc", R, D3DRS_ZFUNC, Cmp},
    {"AlphaRef", R, D3DRS_ALPHAREF, Number},
    {"AlphaFunc", R, D3DRS_ALPHAFUNC, Cmp},
    {"DitherEnable", R, D3DRS_DITHERENABLE, Bool},
    {"AlphaBlendEnable", R, D3DRS_ALPHABLENDENABLE, Bool},
    {"FogEnable", R, D3DRS_FOGENABLE, Bool},
    {"SpecularEnable", R, D3DRS_SPECULARENABLE, Bool},
    {"FogColor", R, D3DRS_FOGCOLOR, Color},
    {"FogTableMode", R, D3DRS_FOGTABLEMODE, Fog},
    {"FogStart", R, D3DRS_FOGSTART, Float},
    {"FogEnd", R, D3DRS_FOGEND, Float},
    {"FogDensity", R, D3DRS_FOGDENSITY, Float},
    {"RangeFogEnable", R, D3DRS_RANGEFOGENABLE, Bool},
    {"StencilEnable", R, D3DRS_STENCILENABLE, Bool},
    {"StencilFail", R, D3DRS_STENCILFAIL, StencilOp},
    {"StencilZFail", R, D3DRS_STENCILZFAIL, StencilOp},
    {"StencilPass", R, D3DRS_STENCILPASS, StencilOp},
    {"StencilFunc", R, D3DRS_STENCILFUNC, Cmp},
    {"StencilRef", R, D3DRS_STENCILREF, Number},
    {"StencilMask", R, D3DRS_STENCILMASK, Number},
    {"StencilWriteMask", R, D3DRS_STENCILWRITEMASK, Number},
    {"TextureFactor", R, D3DRS_TEXTUREFACTOR, Color},
    {"Clipping", R, D3DRS_CLIPPING, Bool},
    {"Lighting", R, D3DRS_LIGHTING, Bool},
    {"Ambient", R, D3DRS_AMBIENT, Color},
    {"FogVertexMode", R, D3DRS_FOGVERTEXMODE, Fog},
    {"ColorVertex", R, D3DRS_COLORVERTEX, Bool},
    {"LocalViewer", R, D3DRS_LOCALVIEWER, Bool},
    {"NormalizeNormals", R, D3DRS_NORMALIZENORMALS, Bool},
    {"DiffuseMaterialSource", R, D3DRS_DIFFUSEMATERIALSOURCE, ColorSource},
    {"SpecularMaterialSource", R, D3DRS_SPECULARMATERIALSOURCE, ColorSource},
    {"AmbientMaterialSource", R, D3DRS_AMBIENTMATERIALSOURCE, ColorSource},
    {"EmissiveMaterialSource", R, D3DRS_EMISSIVEMATERIALSOURCE, ColorSource},
    {"PointSize", R, D3DRS_POINTSIZE, Float},
    {"PointSize_Min", R, D3DRS_POINTSIZE_MIN, Float},
    {"PointSize_Max", R, D3DRS_POINTSIZE_MAX, Float},
    {"PointSpriteEnable", R, D3DRS_POINTSPRITEENABLE, Bool},
    {"PointScaleEnable", R, D3DRS_POINTSCALEENABLE, Bool},
    {"PointScale_A", R, D3DRS_POINTSCALE_A, Float},
    {"PointScale_B", R, D3DRS_POINTSCALE_B, Float},
    {"PointScale_C", R, D3DRS_POINTSCALE_C, Float},
    {"MultiSampleAntialias", R, D3DRS_MULTISAMPLEANTIALIAS, Bool},
    {"ColorWriteEnable", R, D3DRS_COLORWRITEENABLE, ColorWrite},
    {"ColorWriteEnable1", R, D3DRS_COLORWRITEENABLE1, ColorWrite},
    {"ColorWriteEnable2", R, D3DRS_COLORWRITEENABLE2, ColorWrite},
    {"ColorWriteEnable3", R, D3DRS_COLORWRITEENABLE3, ColorWrite},
    {"BlendOp", R, D3DRS_BLENDOP, BlendOp},
    {"ScissorTestEnable", R, D3DRS_SCISSORTESTENABLE, Bool},
    {"SlopeScaleDepthBias", R, D3DRS_SLOPESCALEDEPTHBIAS, Float},
    {"DepthBias", R, D3DRS_DEPTHBIAS, Float},
    {"TwoSidedStencilMode", R, D3DRS_TWOSIDEDSTENCILMODE, Bool},
    {"CCW_StencilFail", R, D3DRS_CCW_STENCILFAIL, StencilOp},
    {"CCW_StencilZFail", R, D3DRS_CCW_STENCILZFAIL, StencilOp},
    {"CCW_StencilPass", R, D3DRS_CCW_STENCILPASS, StencilOp},
    {"CCW_StencilFunc", R, D3DRS_CCW_STENCILFUNC, Cmp},
    {"BlendFactor", R, D3DRS_BLENDFACTOR, Color},
    {"SRGBWriteEnable", R, D3DRS_SRGBWRITEENABLE, Bool},
    {"SeparateAlphaBlendEnable", R, D3DRS_SEPARATEALPHABLENDENABLE, Bool},
    {"SrcBlendAlpha", R, D3DRS_SRCBLENDALPHA, Blend},
    {"DestBlendAlpha", R, D3DRS_DESTBLENDALPHA, Blend},
    {"BlendOpAlpha", R, D3DRS_BLENDOPALPHA, BlendOp},
    {"AddressU", S, D3DSAMP_ADDRESSU, Address},
    {"AddressV", S, D3DSAMP_ADDRESSV, Address},
    {"AddressW", S, D3DSAMP_ADDRESSW, Address},
    {"BorderColor", S, D3DSAMP_BORDERCOLOR, Color},
    {"MagFilter", S, D3DSAMP_MAGFILTER, Filter},
    {"MinFilter", S, D3DSAMP_MINFILTER, Filter},
    {"MipFilter", S, D3DSAMP_MIPFILTER, Filter},
    {"MipMapLodBias", S, D3DSAMP_MIPMAPLODBIAS, Float},
    {"MaxMipLevel", S, D3DSAMP_MAXMIPLEVEL, Number},
    {"MaxAnisotropy", S, D3DSAMP_MAXANISOTROPY, Number},
    {"SRGBTexture", S, D3DSAMP_SRGBTEXTURE, Bool},
    {"ColorOp", T, D3DTSS_COLOROP, TextureOp},
    {"ColorArg0", T, D3DTSS_COLORARG0, TextureArg},
    {"ColorArg1", T, D3DTSS_COLORARG1, TextureArg},
    {"ColorArg2", T, D3DTSS_COLORARG2, TextureArg},
    {"AlphaOp", T, D3DTSS_ALPHAOP, TextureOp},
    {"AlphaArg0", T, D3DTSS_ALPHAARG0, TextureArg},
    {"AlphaArg1", T, D3DTSS_ALPHAARG1, TextureArg},
    {"AlphaArg2", T, D3DTSS_ALPHAARG2, TextureArg},
    {"ResultArg", T, D3DTSS_RESULTARG, TextureArg},
    {"TexCoordIndex", T, D3DTSS_TEXCOORDINDEX, TexCoordIndex},
    {"TextureTransformFlags", T, D3DTSS_TEXTURETRANSFORMFLAGS, TransformFlags},
    {"BumpEnvMat00", T, D3DTSS_BUMPENVMAT00, Float},
    {"BumpEnvMat01", T, D3DTSS_BUMPENVMAT01, Float},
    {"BumpEnvMat10", T, D3DTSS_BUMPENVMAT10, Float},
    {"BumpEnvMat11", T, D3DTSS_BUMPENVMAT11, Float},
    {"BumpEnvLScale", T, D3DTSS_BUMPENVLSCALE, Float},
    {"BumpEnvLOffset", T, D3DTSS_BUMPENVLOFFSET, Float},
    {"Constant", T, D3DTSS_CONSTANT, Color},
    {"Wrap0", R, D3DRS_WRAP0, Wrap},
    {"Wrap1", R, D3DRS_WRAP1, Wrap},
    {"Wrap2", R, D3DRS_WRAP2, Wrap},
    {"Wrap3", R, D3DRS_WRAP3, Wrap},
    {"Wrap4", R, D3DRS_WRAP4, Wrap},
    {"Wrap5", R, D3DRS_WRAP5, Wrap},
    {"Wrap6", R, D3DRS_WRAP6, Wrap},
    {"Wrap7", R, D3DRS_WRAP7, Wrap},
    {"Wrap8", R, D3DRS_WRAP8, Wrap},
    {"Wrap9", R, D3DRS_WRAP9, Wrap},
    {"Wrap10", R, D3DRS_WRAP10, Wrap},
    {"Wrap11", R, D3DRS_WRAP11, Wrap},
    {"Wrap12", R, D3DRS_WRAP12, Wrap},
    {"Wrap13", R, D3DRS_WRAP13, Wrap},
    {"Wrap14", R, D3DRS_WRAP14, Wrap},
    {"Wrap15", R, D3DRS_WRAP15, Wrap},
    {"VertexBlend", R, D3DRS_VERTEXBLEND, VertexBlend},
    {"ClipPlaneEnable", R, D3DRS_CLIPPLANEENABLE, Number},
    {"MultiSampleMask", R, D3DRS_MULTISAMPLEMASK, Number},
    {"PatchEdgeStyle", R, D3DRS_PATCHEDGESTYLE, Number},
    {"DebugMonitorToken", R, D3DRS_DEBUGMONITORTOKEN, Number},
    {"IndexedVertexBlendEnable", R, D3DRS_INDEXEDVERTEXBLENDENABLE, Bool},
    {"TweenFactor", R, D3DRS_TWEENFACTOR, Float},
    {"PositionDegree", R, D3DRS_POSITIONDEGREE, Number},
    {"NormalDegree", R, D3DRS_NORMALDEGREE, Number},
    {"AntialiasedLineEnable", R, D3DRS_ANTIALIASEDLINEENABLE, Bool},
    {"MinTessellationLevel", R, D3DRS_MINTESSELLATIONLEVEL, Float},
    {"MaxTessellationLevel", R, D3DRS_MAXTESSELLATIONLEVEL, Float},
    {"AdaptiveTess_X", R, D3DRS_ADAPTIVETESS_X, Float},
    {"AdaptiveTess_Y", R, D3DRS_ADAPTIVETESS_Y, Float},
    {"AdaptiveTess_Z", R, D3DRS_ADAPTIVETESS_Z, Float},
    {"AdaptiveTess_W", R, D3DRS_ADAPTIVETESS_W, Float},
    {"EnableAdaptiveTessellation", R, D3DRS_ENABLEADAPTIVETESSELLATION, Bool},
    {"ElementIndex", S, D3DSAMP_ELEMENTINDEX, Number},
    {"DMapOffset", S, D3DSAMP_DMAPOFFSET, Number},
    {"LightType", L, ORV_FXL_TYPE, LightType},
    {"LightDiffuse", L, ORV_FXL_DIFFUSE, Vector},
    {"LightSpecular", L, ORV_FXL_SPECULAR, Vector},
    {"LightAmbient", L, ORV_FXL_AMBIENT, Vector},
    {"LightPosition", L, ORV_FXL_POSITION, Vector},
    {"LightDirection", L, ORV_FXL_DIRECTION, Vector},
    {"LightRange", L, ORV_FXL_RANGE, Vector},
    {"LightFalloff", L, ORV_FXL_FALLOFF, Vector},
    {"LightAttenuation0", L, ORV_FXL_ATTENUATION0, Vector},
    {"LightAttenuation1", L, ORV_FXL_ATTENUATION1, Vector},
    {"LightAttenuation2", L, ORV_FXL_ATTENUATION2, Vector},
    {"LightTheta", L, ORV_FXL_THETA, Vector},
    {"LightPhi", L, ORV_FXL_PHI, Vector},
    {"LightEnable", EOrvFxStateKind::LightEnable, 0, Bool},
    {"MaterialDiffuse", M, ORV_FXM_DIFFUSE, Vector},
    {"MaterialAmbient", M, ORV_FXM_AMBIENT, Vector},
    {"MaterialSpecular", M, ORV_FXM_SPECULAR, Vector},
    {"MaterialEmissive", M, ORV_FXM_EMISSIVE, Vector},
    {"MaterialPower", M, ORV_FXM_POWER, Vector},
    {"WorldTransform", X, D3DTS_WORLD, Vector},
    {"ViewTransform", X, D3DTS_VIEW, Vector},
    {"ProjectionTransform", X, D3DTS_PROJECTION, Vector},
    {"TextureTransform", X, D3DTS_TEXTURE0, Vector},
    {"VertexShaderConstant", U, 0, Vector},
    {"VertexShaderConstant1", U, 0, Vector},
    {"VertexShaderConstant2", U, 0, Vector},
    {"VertexShaderConstant3", U, 0, Vector},
    {"VertexShaderConstant4", U, 0, Vector},
    {"VertexShaderConstantF", U, 0, Vector},
    {"VertexShaderConstantB", U, 0, Vector},
    {"VertexShaderConstantI", U, 0, Vector},
    {"PixelShaderConstant", U, 0, Vector},
    {"PixelShaderConstant1", U, 0, Vector},
    {"PixelShaderConstant2", U, 0, Vector},
    {"PixelShaderConstant3", U, 0, Vector},
    {"PixelShaderConstant4", U, 0, Vector},
    {"PixelShaderConstantF", U, 0, Vector},
    {"PixelShaderConstantB", U, 0, Vector},
    {"PixelShaderConstantI", U, 0, Vector},
    {"FVF", U, 0, Number},
    {"Clipplane", U, 0, Vector},
};

struct SValueName
{
    EDomain m_eDomain;
    const char* m_pName;
    DWORD m_dwValue;
};

const SValueName s_aValues[] = {
    {Bool, "TRUE", 1},
    {Bool, "FALSE", 0},
    {ZBuffer, "TRUE", D3DZB_TRUE},
    {ZBuffer, "FALSE", D3DZB_FALSE},
    {ZBuffer, "USEW", D3DZB_USEW},
    {Blend, "ZERO", D3DBLEND_ZERO},
    {Blend, "ONE", D3DBLEND_ONE},
    {Blend, "SRCCOLOR", D3DBLEND_SRCCOLOR},
    {Blend, "INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
    {Blend, "SRCALPHA", D3DBLEND_SRCALPHA},
    {Blend, "INVSRCALPHA", D3DBLEND_INVSRCALPHA},
    {Blend, "DESTALPHA", D3DBLEND_DESTALPHA},
    {Blend, "INVDESTALPHA", D3DBLEND_INVDESTALPHA},
    {Blend, "DESTCOLOR", D3DBLEND_DESTCOLOR},
    {Blend, "INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
    {Blend, "SRCALPHASAT", D3DBLEND_SRCALPHASAT},
    {Blend, "BOTHSRCALPHA", D3DBLEND_BOTHSRCALPHA},
    {Blend, "BOTHINVSRCALPHA", D3DBLEND_BOTHINVSRCALPHA},
    {Blend, "BLENDFACTOR", D3DBLEND_BLENDFACTOR},
    {Blend, "INVBLENDFACTOR", D3DBLEND_INVBLENDFACTOR},
    {BlendOp, "ADD", D3DBLENDOP_ADD},
    {BlendOp, "SUBTRACT", D3DBLENDOP_SUBTRACT},
    {BlendOp, "REVSUBTRACT", D3DBLENDOP_REVSUBTRACT},
    {BlendOp, "MIN", D3DBLENDOP_MIN},
    {BlendOp, "MAX", D3DBLENDOP_MAX},
    {Cmp, "NEVER", D3DCMP_NEVER},
    {Cmp, "LESS", D3DCMP_LESS},
    {Cmp, "EQUAL", D3DCMP_EQUAL},
    {Cmp, "LESSEQUAL", D3DCMP_LESSEQUAL},
    {Cmp, "GREATER", D3DCMP_GREATER},
    {Cmp, "NOTEQUAL", D3DCMP_NOTEQUAL},
    {Cmp, "GREATEREQUAL", D3DCMP_GREATEREQUAL},
    {Cmp, "ALWAYS", D3DCMP_ALWAYS},
    {Cull, "NONE", D3DCULL_NONE},
    {Cull, "CW", D3DCULL_CW},
    {Cull, "CCW", D3DCULL_CCW},
    {Fill, "POINT", D3DFILL_POINT},
    {Fill, "WIREFRAME", D3DFILL_WIREFRAME},
    {Fill, "SOLID", D3DFILL_SOLID},
    {Shade, "FLAT", D3DSHADE_FLAT},
    {Shade, "GOURAUD", D3DSHADE_GOURAUD},
    {Shade, "PHONG", D3DSHADE_PHONG},
    {StencilOp, "KEEP", D3DSTENCILOP_KEEP},
    {StencilOp, "ZERO", D3DSTENCILOP_ZERO},
    {StencilOp, "REPLACE", D3DSTENCILOP_REPLACE},
    {StencilOp, "INCRSAT", D3DSTENCILOP_INCRSAT},
    {StencilOp, "DECRSAT", D3DSTENCILOP_DECRSAT},
    {StencilOp, "INVERT", D3DSTENCILOP_INVERT},
    {StencilOp, "INCR", D3DSTENCILOP_INCR},
    {StencilOp, "DECR", D3DSTENCILOP_DECR},
    {Fog, "NONE", D3DFOG_NONE},
    {Fog, "EXP", D3DFOG_EXP},
    {Fog, "EXP2", D3DFOG_EXP2},
    {Fog, "LINEAR", D3DFOG_LINEAR},
    {ColorSource, "MATERIAL", D3DMCS_MATERIAL},
    {ColorSource, "COLOR1", D3DMCS_COLOR1},
    {ColorSource, "COLOR2", D3DMCS_COLOR2},
    {ColorWrite, "RED", 1},
    {ColorWrite, "GREEN", 2},
    {ColorWrite, "BLUE", 4},
    {ColorWrite, "ALPHA", 8},
    {Filter, "NONE", D3DTEXF_NONE},
    {Filter, "POINT", D3DTEXF_POINT},
    {Filter, "LINEAR", D3DTEXF_LINEAR},
    {Filter, "ANISOTROPIC", D3DTEXF_ANISOTROPIC},
    {Address, "WRAP", D3DTADDRESS_WRAP},
    {Address, "MIRROR", D3DTADDRESS_MIRROR},
    {Address, "CLAMP", D3DTADDRESS_CLAMP},
    {Address, "BORDER", D3DTADDRESS_BORDER},
    {Address, "MIRRORONCE", D3DTADDRESS_MIRRORONCE},
    {TextureOp, "DISABLE", D3DTOP_DISABLE},
    {TextureOp, "SELECTARG1", D3DTOP_SELECTARG1},
    {TextureOp, "SELECTARG2", D3DTOP_SELECTARG2},
    {TextureOp, "MODULATE", D3DTOP_MODULATE},
    {TextureOp, "MODULATE2X", D3DTOP_MODULATE2X},
    {TextureOp, "MODULATE4X", D3DTOP_MODULATE4X},
    {TextureOp, "ADD", D3DTOP_ADD},
    {TextureOp, "ADDSIGNED", D3DTOP_ADDSIGNED},
    {TextureOp, "ADDSIGNED2X", D3DTOP_ADDSIGNED2X},
    {TextureOp, "SUBTRACT", D3DTOP_SUBTRACT},
    {TextureOp, "ADDSMOOTH", D3DTOP_ADDSMOOTH},
    {TextureOp, "BLENDDIFFUSEALPHA", D3DTOP_BLENDDIFFUSEALPHA},
    {TextureOp, "BLENDTEXTUREALPHA", D3DTOP_BLENDTEXTUREALPHA},
    {TextureOp, "BLENDFACTORALPHA", D3DTOP_BLENDFACTORALPHA},
    {TextureOp, "BLENDCURRENTALPHA", D3DTOP_BLENDCURRENTALPHA},
    {TextureOp, "DOTPRODUCT3", D3DTOP_DOTPRODUCT3},
    {TextureOp, "MULTIPLYADD", D3DTOP_MULTIPLYADD},
    {TextureOp, "LERP", D3DTOP_LERP},
    {TextureArg, "DIFFUSE", D3DTA_DIFFUSE},
    {TextureArg, "CURRENT", D3DTA_CURRENT},
    {TextureArg, "TEXTURE", D3DTA_TEXTURE},
    {TextureArg, "TFACTOR", D3DTA_TFACTOR},
    {TextureArg, "SPECULAR", D3DTA_SPECULAR},
    {TextureArg, "TEMP", D3DTA_TEMP},
    {TextureArg, "CONSTANT", D3DTA_CONSTANT},
    {TextureArg, "COMPLEMENT", D3DTA_COMPLEMENT},
    {TextureArg, "ALPHAREPLICATE", D3DTA_ALPHAREPLICATE},
    {Wrap, "U", 1},
    {Wrap, "V", 2},
    {Wrap, "W", 4},
    {Wrap, "COORD0", 1},
    {Wrap, "COORD1", 2},
    {Wrap, "COORD2", 4},
    {Wrap, "COORD3", 8},
    {TexCoordIndex, "PASSTHRU", 0},
    {TexCoordIndex, "CAMERASPACENORMAL", 0x10000},
    {TexCoordIndex, "CAMERASPACEPOSITION", 0x20000},
    {TexCoordIndex, "CAMERASPACEREFLECTIONVECTOR", 0x30000},
    {TexCoordIndex, "SPHEREMAP", 0x40000},
    {TransformFlags, "DISABLE", 0},
    {TransformFlags, "COUNT1", 1},
    {TransformFlags, "COUNT2", 2},
    {TransformFlags, "COUNT3", 3},
    {TransformFlags, "COUNT4", 4},
    {TransformFlags, "PROJECTED", 256},
    {LightType, "POINT", D3DLIGHT_POINT},
    {LightType, "SPOT", D3DLIGHT_SPOT},
    {LightType, "DIRECTIONAL", D3DLIGHT_DIRECTIONAL},
    {VertexBlend, "DISABLE", 0},
    {VertexBlend, "TWEENING", 255},
    {VertexBlend, "0WEIGHTS", 256},
};

const SStateName* FindStateName(const std::string& sName)
{
    for (const SStateName& state : s_aStates)
        if (strcasecmp(state.m_pName, sName.c_str()) == 0)
            return &state;
    return nullptr;
}

EDomain DomainOf(const SOrvFxStateInfo& info)
{
    for (const SStateName& state : s_aStates)
        if (state.m_eKind == info.m_eKind && state.m_dwState == info.m_dwState)
            return state.m_eDomain;
    return Number;
}

bool FindValueName(EDomain eDomain, const std::string& sName, DWORD& dwValue)
{
    for (const SValueName& value : s_aValues)
    {
        if (value.m_eDomain == eDomain && strcasecmp(value.m_pName, sName.c_str()) == 0)
        {
            dwValue = value.m_dwValue;
            return true;
        }
    }
    return false;
}
} // namespace

SOrvFxStateInfo OrvFxFindState(const std::string& sName, bool bInSamplerBlock)
{
    SOrvFxStateInfo info;
    if (strcasecmp(sName.c_str(), "Texture") == 0)
        info.m_eKind = EOrvFxStateKind::Texture;
    else if (strcasecmp(sName.c_str(), "Sampler") == 0 && !bInSamplerBlock)
        info.m_eKind = EOrvFxStateKind::SamplerObject;
    else if (const SStateName* pState = FindStateName(sName))
    {
        if (!bInSamplerBlock || pState->m_eKind == EOrvFxStateKind::Sampler)
        {
            info.m_eKind = pState->m_eKind;
            info.m_dwState = pState->m_dwState;
        }
    }
    return info;
}

bool OrvFxIsVectorState(const SOrvFxStateInfo& state)
{
    return state.m_eKind == EOrvFxStateKind::Light || state.m_eKind == EOrvFxStateKind::Material ||
           state.m_eKind == EOrvFxStateKind::Transform ||
           state.m_eKind == EOrvFxStateKind::Unsupported;
}

bool OrvFxStateNameValue(const SOrvFxStateInfo& state, const std::string& sName, DWORD& dwValue)
{
    if (state.m_eKind == EOrvFxStateKind::LightEnable ||
        (state.m_eKind == EOrvFxStateKind::Light && state.m_dwState != ORV_FXL_TYPE))
        return FindValueName(Bool, sName, dwValue);
    return FindValueName(DomainOf(state), sName, dwValue) || FindValueName(Bool, sName, dwValue);
}

DWORD OrvFxStateNumber(const SOrvFxStateInfo& state, double dValue)
{
    if (DomainOf(state) == Float)
    {
        float fValue = float(dValue);
        DWORD dwBits = 0;
        std::memcpy(&dwBits, &fValue, sizeof dwBits);
        return dwBits;
    }
    if (!(dValue == dValue))
        return 0;
    dValue = std::clamp(dValue, -2147483648.0, 4294967295.0);
    return DWORD(uint32_t(int64_t(dValue)));
}

DWORD OrvFxStateFromValues(const SOrvFxStateInfo& state, const std::vector<double>& adValue)
{
    if (adValue.empty())
        return 0;
    if (DomainOf(state) == Color && adValue.size() >= 3)
    {
        auto channel = [&](size_t i, double dDefault)
        {
            double d = i < adValue.size() ? adValue[i] : dDefault;
            d = d > 0 ? std::min(d, 1.0) : 0.0; // NaN too becomes 0
            return DWORD(d * 255.0 + 0.5);
        };
        return channel(3, 1.0) << 24 | channel(0, 0) << 16 | channel(1, 0) << 8 | channel(2, 0);
    }
    return OrvFxStateNumber(state, adValue[0]);
}

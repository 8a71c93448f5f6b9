#include "PropertyKind.h"

#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResObject3D.h"
#include "graphics/OrvResRenderTarget.h"
#include "graphics/OrvResShader.h"
#include "graphics/OrvResTexture.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace
{
// What a text property names, by identifier.
SPropertyKind TextKind(ORV_PROP_ID id, const std::string& sOwnerClass)
{
    SPropertyKind kind;
    kind.eWidget = EPropertyWidget::Resource;
    switch (id)
    {
    case ORV_PROP_MATERIAL_NAME:
    case ORV_PROP_GROUND_MATERIAL_NAME:
    case ORV_PROP_BALL_SHADOW_MATERIAL_NAME:
        kind.eResource = EResourceKind::Material;
        return kind;
    case ORV_PROP_MESH_NAME:
        kind.eResource = EResourceKind::Mesh;
        return kind;
    case ORV_PROP_TEXTURE_NAME_0:
    case ORV_PROP_TEXTURE_NAME_1:
    case ORV_PROP_IMAGE_NAME:
    case ORV_PROP_MASK_NAME:
        kind.eResource = EResourceKind::Texture;
        return kind;
    case ORV_PROP_SHADER_NAME:
        kind.eResource = EResourceKind::Shader;
        return kind;
    case ORV_PROP_RENDER_TARGET:
        kind.eResource = EResourceKind::RenderTarget;
        kind.bOutputName = true;
        kind.bNextName = true;
        return kind;
    case ORV_PROP_INPUT_SURFACE:
        kind.eResource = EResourceKind::RenderTarget;
        kind.bOutputName = true;
        return kind;
    case ORV_PROP_FILENAME:
    case ORV_PROP_VIDEO_NAME:
        kind.eWidget = EPropertyWidget::FileName;
        if (sOwnerClass == "COrvResImage")
            kind.eFiles = EDataFileKind::Image;
        else if (sOwnerClass == "COrvResObject3D")
            kind.eFiles = EDataFileKind::Mesh;
        else if (sOwnerClass == "COrvResShader")
            kind.eFiles = EDataFileKind::Effect;
        else if (sOwnerClass == "COrvMusic")
            kind.eFiles = EDataFileKind::Sound;
        return kind;
    default:
        kind.eWidget = EPropertyWidget::Text;
        return kind;
    }
}

std::string LowerExtension(const std::string& sName)
{
    const size_t dot = sName.find_last_of('.');
    const size_t slash = sName.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string sExtension = sName.substr(dot + 1);
    std::transform(sExtension.begin(), sExtension.end(), sExtension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return sExtension;
}

bool IsOneOf(const std::string& sExtension, std::initializer_list<const char*> extensions)
{
    for (const char* pExtension : extensions)
        if (sExtension == pExtension)
            return true;
    return false;
}
} // namespace

SPropertyKind ClassifyProperty(const COrvPropBase& prop, const std::string& sOwnerClass)
{
    SPropertyKind kind;
    const ORV_PROP_ID id = prop.GetPropId();
    if (dynamic_cast<const COrvPropBool*>(&prop))
        kind.eWidget = EPropertyWidget::Bool;
    else if (dynamic_cast<const COrvPropInt*>(&prop))
        kind.eWidget = EPropertyWidget::Int;
    else if (dynamic_cast<const COrvPropFloat*>(&prop))
        kind.eWidget = EPropertyWidget::Float;
    else if (dynamic_cast<const COrvPropVector*>(&prop))
        kind.eWidget =
            id == ORV_PROP_DIFFUSE_COLOR ? EPropertyWidget::Colour : EPropertyWidget::Vector;
    else if (dynamic_cast<const COrvPropQuat*>(&prop))
        kind.eWidget = EPropertyWidget::Orientation;
    else if (dynamic_cast<const COrvPropString*>(&prop))
        kind = TextKind(id, sOwnerClass);
    return kind;
}

bool IsResourceOfKind(const COrvResource& resource, EResourceKind eKind)
{
    switch (eKind)
    {
    case EResourceKind::Texture:
        return dynamic_cast<const COrvResTexture*>(&resource) != nullptr;
    case EResourceKind::Material:
        return dynamic_cast<const COrvResMaterial*>(&resource) != nullptr;
    case EResourceKind::Mesh:
        return dynamic_cast<const COrvResObject3D*>(&resource) != nullptr;
    case EResourceKind::Shader:
        return dynamic_cast<const COrvResShader*>(&resource) != nullptr;
    case EResourceKind::RenderTarget:
        return dynamic_cast<const COrvResRenderTarget*>(&resource) != nullptr;
    case EResourceKind::None:
        break;
    }
    return false;
}

std::vector<std::string> ResourceChoices(const COrvDemo& demo, const SPropertyKind& kind)
{
    std::vector<std::string> vNames{std::string()};
    if (kind.bOutputName)
        vNames.push_back("OUTPUT");
    if (kind.bNextName)
        vNames.push_back("NEXT");
    for (const COrvResource* pResource : demo.GetResources())
        if (IsResourceOfKind(*pResource, kind.eResource))
            vNames.push_back(pResource->GetName());
    return vNames;
}

bool IsDataFileOfKind(const std::string& sName, EDataFileKind eKind)
{
    const std::string sExtension = LowerExtension(sName);
    switch (eKind)
    {
    case EDataFileKind::Image:
        return IsOneOf(sExtension,
                       {"png", "jpg", "jpeg", "bmp", "tga", "dds", "ppm", "dib", "hdr", "pfm"});
    case EDataFileKind::Mesh:
        return sExtension == "x";
    case EDataFileKind::Effect:
        return sExtension == "fx";
    case EDataFileKind::Sound:
        return IsOneOf(sExtension, {"ogg", "wav", "mp3", "flac", "aif", "aiff", "opus", "m4a"});
    case EDataFileKind::Any:
        return true;
    }
    return true;
}

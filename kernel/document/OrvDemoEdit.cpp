// What an editor does to the lists beyond adding and reordering: deleting an object, and
// copying one the way its factory would make a new one.
#include "document/OrvDemo.h"

#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <climits>
#include <cstring>

namespace
{
template <typename T> bool RemoveFrom(std::vector<T*>& list, COrvModifiable* pObject)
{
    auto it = std::find(list.begin(), list.end(), pObject);
    if (it == list.end())
        return false;
    T* pListed = *it;
    list.erase(it);
    pListed->Release();
    return true;
}

template <typename T> bool IsListed(const std::vector<T*>& list, const COrvModifiable* pObject)
{
    return std::find(list.begin(), list.end(), pObject) != list.end();
}

// Moves the last object of the list to right after pObject (the cut slot, which a user may be
// holding an object in, is not used).
template <typename T> void MoveLastAfter(std::vector<T*>& list, const COrvModifiable* pObject)
{
    auto it = std::find(list.begin(), list.end(), pObject);
    if (it != list.end())
        std::rotate(it + 1, list.end() - 1, list.end());
}

struct SFactory
{
    const char* pClass;
    COrvModifiable* (COrvDemo::*pMake)();
};

const SFactory g_Factories[] = {
    {"COrvLayerSprite", &COrvDemo::AddLayerSprite},
    {"COrvLayer3DObject", &COrvDemo::AddLayerObject3D},
    {"COrvLayer3DObjectGelly", &COrvDemo::AddLayerObject3DGelly},
    {"COrvLayerParticules", &COrvDemo::AddLayerParticles},
    {"COrvLayerBalls", &COrvDemo::AddLayerBalls},
    {"COrvLayerSphere", &COrvDemo::AddLayerSphere},
    {"COrvLayerGrid", &COrvDemo::AddLayerGrid},
    {"COrvLayerPostProcess", &COrvDemo::AddLayerPostProcess},
    {"COrvLayerPPWave", &COrvDemo::AddLayerPPWave},
    {"COrvLayerPPRadialBlur", &COrvDemo::AddLayerPPRadialBlur},
    {"COrvLayerPPBlackWhite", &COrvDemo::AddLayerPPBlackWhite},
    {"COrvLayerPPFishEye", &COrvDemo::AddLayerPPFishEye},
    {"COrvLayerPPBloom", &COrvDemo::AddLayerPPBloom},
    {"COrvResImage", &COrvDemo::AddResImage},
    {"COrvResMaterial", &COrvDemo::AddResMaterial},
    {"COrvResRenderTarget", &COrvDemo::AddResRenderTarget},
    {"COrvResShader", &COrvDemo::AddResShader},
    {"COrvResObject3D", &COrvDemo::AddResObject3D},
};

// Gives the copy every property of the original but its name: the keys a factory gives a new
// object (a material's first Alpha) go first, so the copy's track is the original's.
void CopyProperties(const COrvModifiable& original, COrvModifiable& copy)
{
    const std::string name = copy.GetName();
    pugi::xml_document document;
    pugi::xml_node element = document.append_child("copy");
    original.Save(document, element);
    copy.DeleteKeys(INT_MIN, INT_MAX);
    copy.Load(element);
    copy.SetName(name);
}
} // namespace

bool COrvDemo::DeleteModifiable(COrvModifiable* pObject)
{
    if (!pObject)
        return false;
    return RemoveFrom(m_Layers, pObject) || RemoveFrom(m_Resources, pObject);
}

COrvModifiable* COrvDemo::DuplicateModifiable(COrvModifiable* pObject)
{
    const bool bLayer = IsListed(m_Layers, pObject);
    if (!pObject || (!bLayer && !IsListed(m_Resources, pObject)))
        return nullptr;
    const std::string className = pObject->GetClass();
    const auto* pFactory =
        std::find_if(std::begin(g_Factories), std::end(g_Factories),
                     [&](const SFactory& entry) { return className == entry.pClass; });
    if (pFactory == std::end(g_Factories))
        return nullptr;
    COrvModifiable* pCopy = (this->*pFactory->pMake)();
    CopyProperties(*pObject, *pCopy);
    if (bLayer)
        MoveLastAfter(m_Layers, pObject);
    else
        MoveLastAfter(m_Resources, pObject);
    return pCopy;
}

#include "document/OrvDemo.h"

#include "audio/OrvMusic.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResImage.h"
#include "graphics/OrvResObject3D.h"
#include "graphics/OrvResRenderTarget.h"
#include "graphics/OrvResShader.h"
#include "layers/OrvLayer.h"
#include "layers/OrvLayerSprite.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace
{
// One process-wide counter per factory: default names number on from 1 across documents.
std::string NextName(int& counter, const char* pFormat)
{
    ++counter;
    char text[64];
    std::snprintf(text, sizeof(text), pFormat, counter);
    return text;
}

int g_iSpriteCount = 0;
int g_iImageCount = 0;
int g_iMaterialCount = 0;
int g_iTargetCount = 0;
int g_iShaderCount = 0;
int g_iObject3DCount = 0;
} // namespace

COrvDemo::COrvDemo()
{
    RefreshDataDir();
    m_pMusic.Assign(new COrvMusic);
    m_pMusic->SetDemo(this);
}

COrvDemo::~COrvDemo()
{
    SetDevice(nullptr);
    m_pMusic.Reset();
    m_pCutLayer.Reset();
    m_pCutResource.Reset();
    ReleaseLists();
}

void COrvDemo::ReleaseLists()
{
    for (COrvLayer* pLayer : m_Layers)
        pLayer->Release();
    m_Layers.clear();
    for (COrvResource* pResource : m_Resources)
        pResource->Release();
    m_Resources.clear();
}

void COrvDemo::RefreshDataDir()
{
    // The current directory, kept to 500 characters, then the data folder.
    char buffer[512] = {};
    if (!getcwd(buffer, sizeof(buffer)))
        buffer[0] = '\0';
    std::string dir(buffer);
    if (dir.size() > 500)
        dir.resize(500);
    m_DataDir = dir + "/data";
}

bool COrvDemo::EnterDataDir() const
{
    return chdir(m_DataDir.c_str()) == 0;
}

std::string COrvDemo::GetDataPath(const std::string& name) const
{
    if (!name.empty() && name[0] == '/')
        return name;
    return m_DataDir + "/" + name;
}

void COrvDemo::ReportProblem(const ORV_LoadProblem& problem)
{
    constexpr size_t MAX_PROBLEMS = 100;
    if (m_Problems.size() >= MAX_PROBLEMS)
        return;
    m_Problems.push_back(problem);
    if (m_Problems.back().m_Object.empty())
        m_Problems.back().m_Object = m_sProblemObject;
}

void COrvDemo::SwapMusic(COrvDemo& other)
{
    std::swap(m_pMusic, other.m_pMusic);
    m_pMusic->SetDemo(this);
    other.m_pMusic->SetDemo(&other);
}

void COrvDemo::SetOutputSize(int width, int height)
{
    m_iOutputWidth = width;
    m_iOutputHeight = height;
    m_iPendingFullClears = 2;
}

COrvResource* COrvDemo::GetResourceByName(const std::string& name) const
{
    for (COrvResource* pResource : m_Resources)
        if (pResource->GetName() == name)
            return pResource;
    return nullptr;
}

COrvLayer* COrvDemo::GetLayerByName(const std::string& name) const
{
    for (COrvLayer* pLayer : m_Layers)
        if (pLayer->GetName() == name)
            return pLayer;
    return nullptr;
}

void COrvDemo::AddLayer(COrvLayer* pLayer)
{
    if (!pLayer)
        return;
    m_Layers.push_back(pLayer);
    pLayer->AddRef();
    pLayer->SetDevice(m_pDevice);
}

void COrvDemo::AddResource(COrvResource* pResource)
{
    if (!pResource)
        return;
    pResource->AddRef();
    pResource->SetDemo(this);
    pResource->SetDevice(m_pDevice);
    m_Resources.push_back(pResource);
}

COrvModifiable* COrvDemo::AddLayerSprite()
{
    auto* pLayer = new COrvLayerSprite(this);
    pLayer->SetName(NextName(g_iSpriteCount, "sprite image %d"));
    AddLayer(pLayer);
    return pLayer;
}

COrvModifiable* COrvDemo::AddResImage()
{
    auto* pResource = new COrvResImage;
    pResource->SetName(NextName(g_iImageCount, "image %d"));
    AddResource(pResource);
    return pResource;
}

COrvModifiable* COrvDemo::AddResMaterial()
{
    auto* pResource = new COrvResMaterial;
    pResource->SetName(NextName(g_iMaterialCount, "material %d"));
    AddResource(pResource);
    return pResource;
}

COrvModifiable* COrvDemo::AddResRenderTarget()
{
    auto* pResource = new COrvResRenderTarget;
    pResource->SetName(NextName(g_iTargetCount, "target %d"));
    AddResource(pResource);
    return pResource;
}

COrvModifiable* COrvDemo::AddResShader()
{
    auto* pResource = new COrvResShader;
    pResource->SetName(NextName(g_iShaderCount, "shader %d"));
    AddResource(pResource);
    return pResource;
}

COrvModifiable* COrvDemo::AddResObject3D()
{
    auto* pResource = new COrvResObject3D;
    pResource->SetName(NextName(g_iObject3DCount, "3D Object %d"));
    AddResource(pResource);
    return pResource;
}

namespace
{
// Takes the object out of the list into the cut slot, which gives up its previous object.
template <typename T> void CutFrom(std::vector<T*>& list, T* pObject, COrvComPtr<T>& cut)
{
    auto it = std::find(list.begin(), list.end(), pObject);
    if (it == list.end())
        return;
    cut.Attach(pObject);
    list.erase(it);
}

// Puts the cut object back before pBefore, or at the end when pBefore is not listed; the
// list takes over the cut slot's reference.
template <typename T> void PasteInto(std::vector<T*>& list, T* pBefore, COrvComPtr<T>& cut)
{
    if (!cut)
        return;
    auto it = std::find(list.begin(), list.end(), pBefore);
    list.insert(it, cut.Detach());
}
} // namespace

void COrvDemo::CutModifiable(COrvModifiable* pObject)
{
    if (auto* pLayer = dynamic_cast<COrvLayer*>(pObject))
        CutFrom(m_Layers, pLayer, m_pCutLayer);
    else if (auto* pResource = dynamic_cast<COrvResource*>(pObject))
        CutFrom(m_Resources, pResource, m_pCutResource);
}

void COrvDemo::PasteModifiableBefore(COrvModifiable* pObject)
{
    if (auto* pLayer = dynamic_cast<COrvLayer*>(pObject))
        PasteInto(m_Layers, pLayer, m_pCutLayer);
    else if (auto* pResource = dynamic_cast<COrvResource*>(pObject))
        PasteInto(m_Resources, pResource, m_pCutResource);
    else if (!pObject)
    {
        PasteInto(m_Layers, static_cast<COrvLayer*>(nullptr), m_pCutLayer);
        PasteInto(m_Resources, static_cast<COrvResource*>(nullptr), m_pCutResource);
    }
}

void COrvDemo::BassPlay()
{
    m_pMusic->BassPlay();
}

void COrvDemo::BassStop()
{
    m_pMusic->BassStop();
}

void COrvDemo::BassSetTime(float beats)
{
    m_pMusic->BassSetTime(beats);
}

float COrvDemo::BassGetTime()
{
    return m_pMusic->BassGetTime();
}

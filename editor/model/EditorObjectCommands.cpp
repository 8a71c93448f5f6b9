#include "EditorObjectCommands.h"

#include "EditorDocument.h"

#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <pugixml.hpp>

#include <climits>
#include <sstream>

namespace
{
struct SFactoryEntry
{
    const char* pLabel;
    COrvModifiable* (COrvDemo::*pMake)();
    bool bLayer;
};

const SFactoryEntry g_Factories[] = {
    {"Sprite layer", &COrvDemo::AddLayerSprite, true},
    {"3D object layer", &COrvDemo::AddLayerObject3D, true},
    {"Gelly 3D object layer", &COrvDemo::AddLayerObject3DGelly, true},
    {"Particles layer", &COrvDemo::AddLayerParticles, true},
    {"Balls layer", &COrvDemo::AddLayerBalls, true},
    {"Sphere layer", &COrvDemo::AddLayerSphere, true},
    {"Grid layer", &COrvDemo::AddLayerGrid, true},
    {"Post-process layer", &COrvDemo::AddLayerPostProcess, true},
    {"Wave post-process layer", &COrvDemo::AddLayerPPWave, true},
    {"Radial blur post-process layer", &COrvDemo::AddLayerPPRadialBlur, true},
    {"Black and white post-process layer", &COrvDemo::AddLayerPPBlackWhite, true},
    {"Fish-eye post-process layer", &COrvDemo::AddLayerPPFishEye, true},
    {"Bloom post-process layer", &COrvDemo::AddLayerPPBloom, true},
    {"Image resource", &COrvDemo::AddResImage, false},
    {"Material resource", &COrvDemo::AddResMaterial, false},
    {"Render target resource", &COrvDemo::AddResRenderTarget, false},
    {"Shader resource", &COrvDemo::AddResShader, false},
    {"3D object resource", &COrvDemo::AddResObject3D, false},
};
static_assert(std::size(g_Factories) == static_cast<size_t>(EEditorFactory::Count));

const SFactoryEntry* FactoryOf(EEditorFactory eFactory)
{
    const auto uIndex = static_cast<size_t>(eFactory);
    return uIndex < std::size(g_Factories) ? &g_Factories[uIndex] : nullptr;
}

size_t ListSize(const COrvDemo& demo, EEditorList eList)
{
    return eList == EEditorList::Layers ? demo.GetLayers().size() : demo.GetResources().size();
}

// Adds a held object back to the end of its list.
void Append(COrvDemo& demo, COrvModifiable* pObject)
{
    if (auto* pLayer = dynamic_cast<COrvLayer*>(pObject))
        demo.AddLayer(pLayer);
    else if (auto* pResource = dynamic_cast<COrvResource*>(pObject))
        demo.AddResource(pResource);
}

// Takes an object out of its list, with what it made on the device: a command holds it then,
// maybe after the host has released its device; adding it back gives it the device again.
void TakeOut(COrvDemo& demo, COrvModifiable* pObject)
{
    demo.DeleteModifiable(pObject);
    if (auto* pLayer = dynamic_cast<COrvLayer*>(pObject))
        pLayer->SetDevice(nullptr);
    else if (auto* pResource = dynamic_cast<COrvResource*>(pObject))
        pResource->SetDevice(nullptr);
}

// Moves a listed object so that it ends at uIndex, through the document's cut and paste.
void MoveTo(COrvDemo& demo, const SEditorObjectRef& ref, size_t uIndex)
{
    COrvModifiable* pObject = EditorFindObject(demo, ref);
    if (!pObject || ref.uIndex == uIndex)
        return;
    demo.CutModifiable(pObject);
    // After the cut, the object now at uIndex is the one to paste before; none: the end.
    COrvModifiable* pBefore = EditorFindObject(demo, {ref.eList, uIndex});
    demo.PasteModifiableBefore(pBefore ? pBefore : pObject);
}

void InsertAt(COrvDemo& demo, COrvModifiable* pObject, const SEditorObjectRef& ref)
{
    Append(demo, pObject);
    MoveTo(demo, {ref.eList, ListSize(demo, ref.eList) - 1}, ref.uIndex);
}

bool IsListRef(const SEditorObjectRef& ref)
{
    return ref.eList == EEditorList::Layers || ref.eList == EEditorList::Resources;
}

const char* LabelOfClass(const std::string& sClass)
{
    static const struct
    {
        const char* pClass;
        EEditorFactory eFactory;
    } s_Classes[] = {
        {"COrvLayerSprite", EEditorFactory::LayerSprite},
        {"COrvLayer3DObject", EEditorFactory::LayerObject3D},
        {"COrvLayer3DObjectGelly", EEditorFactory::LayerObject3DGelly},
        {"COrvLayerParticules", EEditorFactory::LayerParticles},
        {"COrvLayerBalls", EEditorFactory::LayerBalls},
        {"COrvLayerSphere", EEditorFactory::LayerSphere},
        {"COrvLayerGrid", EEditorFactory::LayerGrid},
        {"COrvLayerPostProcess", EEditorFactory::LayerPostProcess},
        {"COrvLayerPPWave", EEditorFactory::LayerPPWave},
        {"COrvLayerPPRadialBlur", EEditorFactory::LayerPPRadialBlur},
        {"COrvLayerPPBlackWhite", EEditorFactory::LayerPPBlackWhite},
        {"COrvLayerPPFishEye", EEditorFactory::LayerPPFishEye},
        {"COrvLayerPPBloom", EEditorFactory::LayerPPBloom},
        {"COrvResImage", EEditorFactory::ResImage},
        {"COrvResMaterial", EEditorFactory::ResMaterial},
        {"COrvResRenderTarget", EEditorFactory::ResRenderTarget},
        {"COrvResShader", EEditorFactory::ResShader},
        {"COrvResObject3D", EEditorFactory::ResObject3D},
        {"COrvMusic", EEditorFactory::Count},
    };
    for (const auto& entry : s_Classes)
        if (sClass == entry.pClass)
            return entry.eFactory == EEditorFactory::Count ? "Music"
                                                           : EditorFactoryLabel(entry.eFactory);
    return "Object";
}
} // namespace

const char* EditorFactoryLabel(EEditorFactory eFactory)
{
    const SFactoryEntry* pEntry = FactoryOf(eFactory);
    return pEntry ? pEntry->pLabel : "";
}

bool EditorFactoryIsLayer(EEditorFactory eFactory)
{
    const SFactoryEntry* pEntry = FactoryOf(eFactory);
    return pEntry && pEntry->bLayer;
}

EditorCommandPtr EditorAddObject(EEditorFactory eFactory, float fFrame)
{
    return std::make_unique<CEditorAddObjectCommand>(eFactory, fFrame);
}

EditorCommandPtr EditorDuplicate(const SEditorObjectRef& object)
{
    return std::make_unique<CEditorListCommand>(CEditorListCommand::EKind::Duplicate, object);
}

EditorCommandPtr EditorDelete(const SEditorObjectRef& object)
{
    return std::make_unique<CEditorListCommand>(CEditorListCommand::EKind::Delete, object);
}

EditorCommandPtr EditorReorder(const SEditorObjectRef& object, size_t uBefore)
{
    return std::make_unique<CEditorReorderCommand>(object, uBefore);
}

std::string EditorDescribeObject(COrvModifiable& object)
{
    return std::string(LabelOfClass(object.GetClass())) + " '" + object.GetName() + "'";
}

CEditorFrameForWriting::CEditorFrameForWriting(float fFrame) : m_fSaved(COrvPropBase::m_siFrame)
{
    COrvPropBase::SetFrame(fFrame);
}

CEditorFrameForWriting::~CEditorFrameForWriting()
{
    COrvPropBase::SetFrame(m_fSaved);
}

// ---- Adding ------------------------------------------------------------------------------

bool CEditorAddObjectCommand::Apply(CEditorDocument& document, std::string& sError)
{
    COrvDemo& demo = document.GetDemo();
    const SFactoryEntry* pEntry = FactoryOf(m_eFactory);
    if (!pEntry)
    {
        sError = "no such kind of object";
        return false;
    }
    if (m_pObject)
    {
        // Redo: the same object, named and keyed as when it was first made.
        Append(demo, m_pObject.Get());
        return true;
    }
    CEditorFrameForWriting frame(m_fFrame);
    m_pObject.Assign((demo.*pEntry->pMake)());
    m_Ref = {pEntry->bLayer ? EEditorList::Layers : EEditorList::Resources,
             ListSize(demo, pEntry->bLayer ? EEditorList::Layers : EEditorList::Resources) - 1};
    if (m_eFactory == EEditorFactory::ResMaterial)
    {
        // A new material starts transparent (its Alpha keyed to 0 here); one made in an editor is
        // meant to be seen, so its Alpha is keyed to 1 at the same frame, in the same step.
        for (COrvPropBase* pProp : m_pObject->GetProperties())
            if (pProp->GetPropId() == ORV_PROP_ALPHA)
                if (auto* pAlpha = dynamic_cast<COrvPropFloat*>(pProp))
                    pAlpha->SetValue(1.0f);
    }
    return true;
}

void CEditorAddObjectCommand::Revert(CEditorDocument& document)
{
    TakeOut(document.GetDemo(), m_pObject.Get());
}

size_t CEditorAddObjectCommand::GetMemorySize() const
{
    // The object itself belongs to the document while the step is done; once undone the command
    // holds it, so it is counted at a rough size of an object and its properties.
    size_t uSize = sizeof(*this);
    if (m_pObject)
        uSize += 256 + m_pObject->GetProperties().size() * 192;
    return uSize;
}

std::string CEditorAddObjectCommand::GetLabel() const
{
    return std::string("Add ") + EditorFactoryLabel(m_eFactory);
}

bool CEditorAddObjectCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    ref = m_Ref;
    return m_pObject != nullptr;
}

// ---- Deleting and duplicating ------------------------------------------------------------

bool CEditorListCommand::Apply(CEditorDocument& document, std::string& sError)
{
    COrvDemo& demo = document.GetDemo();
    if (m_eKind == EKind::Duplicate && m_pObject)
    {
        InsertAt(demo, m_pObject.Get(), {m_Ref.eList, m_Ref.uIndex + 1});
        return true;
    }
    COrvModifiable* pObject = IsListRef(m_Ref) ? EditorFindObject(demo, m_Ref) : nullptr;
    if (!pObject)
    {
        sError = IsListRef(m_Ref) ? "the object is no longer in the document"
                                  : "only layers and resources can be deleted or duplicated";
        return false;
    }
    m_sName = pObject->GetName();
    if (m_eKind == EKind::Delete)
    {
        m_pObject.Assign(pObject);
        TakeOut(demo, pObject);
        return true;
    }
    m_pObject.Assign(demo.DuplicateModifiable(pObject));
    if (!m_pObject)
    {
        sError = "this kind of object cannot be copied";
        return false;
    }
    return true;
}

void CEditorListCommand::Revert(CEditorDocument& document)
{
    COrvDemo& demo = document.GetDemo();
    if (m_eKind == EKind::Delete)
        InsertAt(demo, m_pObject.Get(), m_Ref);
    else
        TakeOut(demo, m_pObject.Get());
}

size_t CEditorListCommand::GetMemorySize() const
{
    size_t uSize = sizeof(*this) + m_sName.capacity();
    if (m_pObject)
        uSize += 256 + m_pObject->GetProperties().size() * 192;
    return uSize;
}

std::string CEditorListCommand::GetLabel() const
{
    return (m_eKind == EKind::Delete ? "Delete '" : "Duplicate '") + m_sName + "'";
}

bool CEditorListCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    ref = m_Ref;
    if (m_eKind == EKind::Duplicate)
        ++ref.uIndex;
    return true;
}

// ---- Reordering --------------------------------------------------------------------------

bool CEditorReorderCommand::Apply(CEditorDocument& document, std::string& sError)
{
    COrvDemo& demo = document.GetDemo();
    if (!IsListRef(m_Ref) || !EditorFindObject(demo, m_Ref))
    {
        sError = "the object is not in a list of the document";
        return false;
    }
    const size_t uSize = ListSize(demo, m_Ref.eList);
    const size_t uBefore = std::min(m_uBefore, uSize);
    // Placed before the object now at uBefore: once taken out, the others after it move up.
    m_uFinal = uBefore > m_Ref.uIndex ? uBefore - 1 : uBefore;
    MoveTo(demo, m_Ref, m_uFinal);
    m_bApplied = true;
    return true;
}

void CEditorReorderCommand::Revert(CEditorDocument& document)
{
    MoveTo(document.GetDemo(), {m_Ref.eList, m_uFinal}, m_Ref.uIndex);
}

bool CEditorReorderCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    ref = {m_Ref.eList, m_bApplied ? m_uFinal : m_Ref.uIndex};
    return true;
}

// ---- Whole states ------------------------------------------------------------------------

std::string EditorSaveObject(const COrvModifiable& object)
{
    pugi::xml_document xml;
    object.Save(xml, xml.append_child("object"));
    std::ostringstream text;
    xml.save(text, "", pugi::format_raw | pugi::format_no_declaration);
    return text.str();
}

bool EditorLoadObject(COrvModifiable& object, const std::string& sText)
{
    pugi::xml_document xml;
    if (!xml.load_buffer(sText.data(), sText.size()))
        return false;
    const pugi::xml_node element = xml.child("object");
    if (!element)
        return false;
    // A saved track replaces the property's track whole (reading alone would keep other keys).
    for (COrvPropBase* pProp : object.GetProperties())
    {
        const std::string sName = "Prop" + std::to_string(pProp->GetPropId());
        if (element.child(sName.c_str()).child("track"))
            pProp->DeleteKeys(INT_MIN, INT_MAX);
    }
    object.Load(element);
    return true;
}

bool CEditorRestoreCommand::Apply(CEditorDocument& document, std::string& sError)
{
    COrvModifiable* pObject = EditorFindObject(document.GetDemo(), m_Ref);
    if (!pObject || !EditorLoadObject(*pObject, m_sAfter))
    {
        sError = pObject ? "the object's state cannot be read" : "the object is gone";
        return false;
    }
    return true;
}

void CEditorRestoreCommand::Revert(CEditorDocument& document)
{
    if (COrvModifiable* pObject = EditorFindObject(document.GetDemo(), m_Ref))
        EditorLoadObject(*pObject, m_sBefore);
}

size_t CEditorRestoreCommand::GetMemorySize() const
{
    return sizeof(*this) + m_sBefore.capacity() + m_sAfter.capacity() + m_sLabel.capacity();
}

bool CEditorRestoreCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    ref = m_Ref;
    return true;
}

bool CEditorRecordedCommand::Apply(CEditorDocument& document, std::string&)
{
    m_Changes.Apply(document.GetDemo());
    return true;
}

void CEditorRecordedCommand::Revert(CEditorDocument& document)
{
    m_Changes.Revert(document.GetDemo());
}

size_t CEditorRecordedCommand::GetMemorySize() const
{
    return sizeof(*this) + m_sLabel.capacity() + m_Changes.GetMemorySize();
}

bool CEditorRecordedCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    ref = m_Ref;
    return true;
}

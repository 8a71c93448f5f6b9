// Deleting and copying objects of a document, as an editor does.
#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sstream>

namespace
{
std::string SaveText(COrvDemo& demo)
{
    std::string text;
    EXPECT_TRUE(demo.Save(text));
    return text;
}

// The document's text with one object's name replaced, to compare a copy with its original.
std::string Without(std::string text, const std::string& name)
{
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name))
        text.erase(at, name.size());
    return text;
}

// The object's properties as a demo file holds them.
std::string ObjectText(const COrvModifiable& object)
{
    pugi::xml_document xml;
    object.Save(xml, xml.append_child("x"));
    std::ostringstream text;
    xml.print(text, "", pugi::format_raw);
    return text.str();
}

std::vector<std::string> Names(const std::vector<COrvLayer*>& layers)
{
    std::vector<std::string> names;
    for (const COrvLayer* pLayer : layers)
        names.push_back(pLayer->GetName());
    return names;
}
} // namespace

TEST(DemoEdit, DeleteTakesAnObjectOutOfItsListAndAHolderMayAddItBack)
{
    COrvDemo demo;
    COrvModifiable* pA = demo.AddLayerSprite();
    COrvModifiable* pB = demo.AddLayerGrid();
    COrvModifiable* pMaterial = demo.AddResMaterial();
    pA->SetName("a");
    pB->SetName("b");
    pMaterial->SetName("m");

    const COrvComPtr<COrvModifiable> hold(pA);
    EXPECT_TRUE(demo.DeleteModifiable(pA));
    EXPECT_EQ(Names(demo.GetLayers()), std::vector<std::string>{"b"});
    EXPECT_EQ(pA->GetRefCount(), 1) << "the list's reference is dropped";
    EXPECT_FALSE(demo.DeleteModifiable(pA)) << "no longer listed";
    EXPECT_FALSE(demo.DeleteModifiable(nullptr));
    EXPECT_FALSE(demo.DeleteModifiable(demo.GetMusic())) << "the music is not in a list";

    EXPECT_TRUE(demo.DeleteModifiable(pMaterial));
    EXPECT_TRUE(demo.GetResources().empty());
    EXPECT_EQ(demo.GetResourceByName("m"), nullptr);

    demo.AddLayer(static_cast<COrvLayer*>(pA));
    EXPECT_EQ(Names(demo.GetLayers()), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(pA->GetRefCount(), 2);
}

TEST(DemoEdit, ADuplicateIsNamedByItsFactoryAndCarriesEveryKey)
{
    COrvDemo demo;
    COrvModifiable* pFirst = demo.AddLayerSprite();
    COrvModifiable* pLast = demo.AddLayerGrid();
    auto* pPosition = FindProperty<COrvPropVector>(pFirst, ORV_PROP_TRANSLATION);
    auto* pKey = new COrvKeyVector;
    pKey->m_Value = D3DXVECTOR3(0.25f, 1.0f, -2.0f);
    pPosition->AddKey(12, pKey);
    SetString(pFirst, ORV_PROP_MATERIAL_NAME, "paint");

    COrvModifiable* pCopy = demo.DuplicateModifiable(pFirst);
    ASSERT_NE(pCopy, nullptr);
    ASSERT_EQ(demo.GetLayers().size(), 3u);
    EXPECT_EQ(demo.GetLayers()[1], pCopy) << "right after the original";
    EXPECT_EQ(demo.GetLayers()[2], pLast);
    EXPECT_EQ(pCopy->GetClass(), "COrvLayerSprite");
    // The factory's counter moved on: the copy's number follows the original's.
    const std::string original = pFirst->GetName();
    const std::string copy = pCopy->GetName();
    EXPECT_EQ(copy.substr(0, copy.rfind(' ')), original.substr(0, original.rfind(' ')));
    EXPECT_GT(std::atoi(copy.substr(copy.rfind(' ')).c_str()),
              std::atoi(original.substr(original.rfind(' ')).c_str()));

    EXPECT_EQ(Without(ObjectText(*pCopy), copy), Without(ObjectText(*pFirst), original));
    EXPECT_EQ(FindProperty<COrvPropVector>(pCopy, ORV_PROP_TRANSLATION)->GetTrack().size(), 1u);
    EXPECT_EQ(FindProperty<COrvPropString>(pCopy, ORV_PROP_MATERIAL_NAME)->GetValue(), "paint");
}

TEST(DemoEdit, ADuplicatedMaterialHasTheOriginalsAlphaTrackOnly)
{
    // A new material keys its Alpha to 0 at the current frame; a copy made at another frame
    // must not gain that key.
    COrvDemo demo;
    COrvPropBase::SetFrame(0.0f);
    COrvModifiable* pMaterial = demo.AddResMaterial();
    demo.AddResImage();
    COrvPropBase::SetFrame(48.0f);
    COrvModifiable* pCopy = demo.DuplicateModifiable(pMaterial);
    COrvPropBase::SetFrame(0.0f);
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(demo.GetResources()[1], pCopy);
    const auto& track = FindProperty<COrvPropFloat>(pCopy, ORV_PROP_ALPHA)->GetTrack();
    ASSERT_EQ(track.size(), 1u);
    EXPECT_EQ(track.begin()->first, 0);
    EXPECT_EQ(pCopy->GetName().rfind("material ", 0), 0u);
}

TEST(DemoEdit, OnlyListedObjectsAreDuplicatedAndTheLastGoesLast)
{
    COrvDemo demo;
    COrvModifiable* pBloom = demo.AddLayerPPBloom();
    EXPECT_EQ(demo.DuplicateModifiable(nullptr), nullptr);
    EXPECT_EQ(demo.DuplicateModifiable(demo.GetMusic()), nullptr);
    COrvDemo other;
    EXPECT_EQ(other.DuplicateModifiable(pBloom), nullptr);
    EXPECT_TRUE(other.GetLayers().empty());

    COrvModifiable* pCopy = demo.DuplicateModifiable(pBloom);
    ASSERT_EQ(demo.GetLayers().size(), 2u);
    EXPECT_EQ(demo.GetLayers()[1], pCopy);
    EXPECT_EQ(pCopy->GetClass(), "COrvLayerPPBloom");
    // Every kind the factories make can be copied.
    for (auto make :
         {&COrvDemo::AddLayerSprite, &COrvDemo::AddLayerObject3D, &COrvDemo::AddLayerObject3DGelly,
          &COrvDemo::AddLayerParticles, &COrvDemo::AddLayerBalls, &COrvDemo::AddLayerSphere,
          &COrvDemo::AddLayerGrid, &COrvDemo::AddLayerPostProcess, &COrvDemo::AddLayerPPWave,
          &COrvDemo::AddLayerPPRadialBlur, &COrvDemo::AddLayerPPBlackWhite,
          &COrvDemo::AddLayerPPFishEye, &COrvDemo::AddResImage, &COrvDemo::AddResMaterial,
          &COrvDemo::AddResRenderTarget, &COrvDemo::AddResShader, &COrvDemo::AddResObject3D})
    {
        COrvModifiable* pObject = (demo.*make)();
        COrvModifiable* pDuplicate = demo.DuplicateModifiable(pObject);
        ASSERT_NE(pDuplicate, nullptr) << pObject->GetClass();
        EXPECT_EQ(pDuplicate->GetClass(), pObject->GetClass());
    }
}

TEST(DemoEdit, DeletingAndCopyingLeaveTheCutSlotsAlone)
{
    COrvDemo demo;
    COrvModifiable* pA = demo.AddLayerSprite();
    COrvModifiable* pB = demo.AddLayerSprite();
    demo.CutModifiable(pA);
    demo.DuplicateModifiable(pB);
    demo.DeleteModifiable(pB);
    EXPECT_EQ(demo.GetCutLayer(), pA);
    EXPECT_EQ(demo.GetLayers().size(), 1u);
    (void)SaveText(demo);
}

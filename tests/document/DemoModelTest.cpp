#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

namespace
{
// The number at the end of a default name.
int NumberOf(const std::string& name)
{
    return std::atoi(name.substr(name.find_last_of(' ') + 1).c_str());
}
} // namespace

TEST(DemoModel, NewDocumentHasOnlyTheMusicTrackAndDefaults)
{
    COrvDemo demo;
    EXPECT_TRUE(demo.GetLayers().empty());
    EXPECT_TRUE(demo.GetResources().empty());
    ASSERT_NE(demo.GetMusic(), nullptr);
    EXPECT_EQ(demo.GetOuputWidth(), 800);
    EXPECT_EQ(demo.GetOuputHeight(), 600);
    EXPECT_EQ(demo.GetPendingFullClears(), 2);
    EXPECT_EQ(demo.GetDevice(), nullptr);
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(demo.GetDataDir(), cwd + "/data");
}

TEST(DemoModel, FactoryCountersAreProcessWideAndNumberOnFromOne)
{
    COrvDemo first;
    COrvDemo second;
    const std::string a = first.AddLayerSprite()->GetName();
    const std::string b = second.AddLayerSprite()->GetName();
    EXPECT_EQ(a.rfind("sprite image ", 0), 0u);
    EXPECT_GE(NumberOf(a), 1);
    EXPECT_EQ(b, "sprite image " + std::to_string(NumberOf(a) + 1));

    // Each factory has its own counter and format.
    const std::string image = first.AddResImage()->GetName();
    const std::string image2 = first.AddResImage()->GetName();
    EXPECT_EQ(image2, "image " + std::to_string(NumberOf(image) + 1));
    EXPECT_EQ(first.AddResMaterial()->GetName().rfind("material ", 0), 0u);
    EXPECT_EQ(first.AddResRenderTarget()->GetName().rfind("target ", 0), 0u);
    EXPECT_EQ(first.AddResShader()->GetName().rfind("shader ", 0), 0u);
    EXPECT_EQ(first.AddResObject3D()->GetName().rfind("3D Object ", 0), 0u);
    EXPECT_EQ(first.GetResources().size(), 6u);
    EXPECT_EQ(first.GetLayers().size(), 1u);
}

TEST(DemoModel, FactoriesLinkObjectsToTheDocumentAndItsDevice)
{
    CRecordingDevice device;
    COrvDemo demo;
    demo.SetDevice(&device);
    auto* pLayer = dynamic_cast<COrvLayer*>(demo.AddLayerSprite());
    auto* pResource = dynamic_cast<COrvResource*>(demo.AddResMaterial());
    ASSERT_NE(pLayer, nullptr);
    ASSERT_NE(pResource, nullptr);
    EXPECT_EQ(pLayer->GetDevice(), &device);
    EXPECT_EQ(pLayer->GetDemo(), &demo);
    EXPECT_EQ(pResource->GetDemo(), &demo);
    EXPECT_EQ(pLayer->GetRefCount(), 1);
    EXPECT_EQ(pResource->GetRefCount(), 1);
    demo.SetDevice(nullptr);
}

TEST(DemoModel, LookupIsExactAndTheFirstMatchWins)
{
    COrvDemo demo;
    COrvModifiable* pFirst = demo.AddLayerSprite();
    COrvModifiable* pSecond = demo.AddLayerSprite();
    pFirst->SetName("Title");
    pSecond->SetName("Title");
    EXPECT_EQ(demo.GetLayerByName("Title"), pFirst);
    EXPECT_EQ(demo.GetLayerByName("title"), nullptr);
    EXPECT_EQ(demo.GetLayerByName("Title "), nullptr);

    COrvModifiable* pImage = demo.AddResImage();
    pImage->SetName("Title");
    EXPECT_EQ(demo.GetResourceByName("Title"), pImage);
    EXPECT_EQ(demo.GetResourceByName("TITLE"), nullptr);
}

TEST(DemoModel, CutAndPasteReorderLayers)
{
    COrvDemo demo;
    COrvModifiable* pA = demo.AddLayerSprite();
    COrvModifiable* pB = demo.AddLayerSprite();
    COrvModifiable* pC = demo.AddLayerSprite();

    // C to the front.
    demo.CutModifiable(pC);
    EXPECT_EQ(demo.GetLayers().size(), 2u);
    EXPECT_EQ(demo.GetCutLayer(), pC);
    demo.PasteModifiableBefore(pA);
    ASSERT_EQ(demo.GetLayers().size(), 3u);
    EXPECT_EQ(demo.GetLayers()[0], pC);
    EXPECT_EQ(demo.GetCutLayer(), nullptr);
    EXPECT_EQ(pC->GetRefCount(), 1);

    // A to the end with a null successor.
    demo.CutModifiable(pA);
    demo.PasteModifiableBefore(nullptr);
    EXPECT_EQ(demo.GetLayers()[2], pA);
    EXPECT_EQ(demo.GetLayers()[1], pB);

    // The music track is neither: the cut layer stays cut.
    demo.CutModifiable(pB);
    demo.PasteModifiableBefore(demo.GetMusic());
    EXPECT_EQ(demo.GetCutLayer(), pB);
    EXPECT_EQ(demo.GetLayers().size(), 2u);
    // Pasting with nothing cut, or cutting what is not listed, changes nothing.
    demo.CutModifiable(pB);
    EXPECT_EQ(demo.GetCutLayer(), pB);
    EXPECT_EQ(demo.GetLayers().size(), 2u);
}

TEST(DemoModel, ASecondCutReleasesTheFirstCutObject)
{
    COrvDemo demo;
    COrvModifiable* pA = demo.AddLayerSprite();
    COrvModifiable* pB = demo.AddLayerSprite();
    pA->AddRef(); // watch A survive only through this test's reference
    demo.CutModifiable(pA);
    EXPECT_EQ(pA->GetRefCount(), 2);
    demo.CutModifiable(pB);
    EXPECT_EQ(pA->GetRefCount(), 1);
    EXPECT_EQ(demo.GetCutLayer(), pB);
    pA->Release();
}

TEST(DemoModel, CutAndPasteReorderResourcesApartFromLayers)
{
    COrvDemo demo;
    COrvModifiable* pLayer = demo.AddLayerSprite();
    COrvModifiable* pImage = demo.AddResImage();
    COrvModifiable* pMaterial = demo.AddResMaterial();
    demo.CutModifiable(pMaterial);
    demo.CutModifiable(pLayer);
    EXPECT_EQ(demo.GetCutResource(), pMaterial);
    EXPECT_EQ(demo.GetCutLayer(), pLayer);
    // Pasting before a resource moves only the cut resource.
    demo.PasteModifiableBefore(pImage);
    EXPECT_EQ(demo.GetResources()[0], pMaterial);
    EXPECT_EQ(demo.GetCutLayer(), pLayer);
    demo.PasteModifiableBefore(nullptr);
    EXPECT_EQ(demo.GetLayers().size(), 1u);
    EXPECT_EQ(demo.GetCutLayer(), nullptr);
}

TEST(DemoModel, SetOutputSizeRestoresTwoFullClears)
{
    CRecordingDevice device;
    COrvDemo demo;
    demo.SetDevice(&device);
    demo.DrawFrame(0.0f);
    demo.DrawFrame(1.0f);
    demo.DrawFrame(2.0f);
    EXPECT_EQ(device.CountCalls("Clear"), 2u);
    demo.SetOutputSize(1024, 576);
    EXPECT_EQ(demo.GetOuputWidth(), 1024);
    EXPECT_EQ(demo.GetOuputHeight(), 576);
    device.ClearCalls();
    demo.DrawFrame(3.0f);
    demo.DrawFrame(4.0f);
    demo.DrawFrame(5.0f);
    EXPECT_EQ(device.CountCalls("Clear"), 2u);
    demo.SetDevice(nullptr);
}

#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

namespace
{
std::string SaveText(COrvDemo& demo)
{
    std::string text;
    EXPECT_TRUE(demo.Save(text));
    return text;
}

// A document with one of each kind, animated values and a non-animable property with keys.
void Populate(COrvDemo& demo)
{
    COrvPropBase::SetFrame(0.0f);
    auto* pImage = demo.AddResImage();
    pImage->SetName("logo");
    FindProperty<COrvPropString>(pImage, ORV_PROP_FILENAME)->SetValue("logo.png");
    auto* pMaterial = demo.AddResMaterial();
    pMaterial->SetName("mat & <co>");
    FindProperty<COrvPropString>(pMaterial, ORV_PROP_TEXTURE_NAME_0)->SetValue("logo");
    auto* pAlpha = FindProperty<COrvPropFloat>(pMaterial, ORV_PROP_ALPHA);
    COrvPropBase::SetFrame(16.0f);
    pAlpha->SetValue(1.0f);
    COrvPropBase::SetFrame(0.0f);
    auto* pTarget = demo.AddResRenderTarget();
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(256);
    FindProperty<COrvPropBool>(pTarget, ORV_PROP_AUTOSIZE)->SetValue(true);
    demo.AddResShader();
    demo.AddResObject3D();
    auto* pSprite = demo.AddLayerSprite();
    auto* pTranslation = FindProperty<COrvPropVector>(pSprite, ORV_PROP_TRANSLATION);
    COrvPropBase::SetFrame(8.0f);
    pTranslation->SetValue(D3DXVECTOR3(0.25f, -1.5f, 3.0f));
    auto* pRotation = FindProperty<COrvPropQuat>(pSprite, ORV_PROP_ROTATION);
    pRotation->SetValue(D3DXQUATERNION(0.0f, 0.707107f, 0.0f, 0.707107f));
    COrvPropBase::SetFrame(0.0f);
    auto* pSecond = demo.AddLayerSprite();
    FindProperty<COrvPropString>(pSecond, ORV_PROP_RENDER_TARGET)->SetValue("NEXT");
}
} // namespace

TEST(DemoFile, NewDocumentSavesTheFixedSkeleton)
{
    COrvDemo demo;
    const std::string text = SaveText(demo);
    EXPECT_EQ(text.rfind("<OrvDemo version=\"1\"><music>", 0), 0u) << text;
    EXPECT_NE(text.find("</music><Resources/><Layers/></OrvDemo>"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find("<?xml"), std::string::npos);
}

TEST(DemoFile, PropertiesAreWrittenInListOrderWithTheirTracks)
{
    COrvDemo demo;
    COrvPropBase::SetFrame(0.0f);
    demo.AddLayerSprite()->SetName("s");
    const std::string text = SaveText(demo);
    const std::string layer =
        "<COrvLayerSprite>"
        "<Prop4 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"s\"/>"
        "<Prop1 bAnimable=\"0\" bInterpolate=\"1\" defaultValue=\"true\"/>"
        "<Prop40 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"true\"><track/></Prop40>"
        "<Prop41 bAnimable=\"0\" bInterpolate=\"1\" defaultValue=\"true\"/>"
        "<Prop36 bAnimable=\"1\" bInterpolate=\"0\" defaultValue=\"OUTPUT\"><track/></Prop36>"
        "<Prop29 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"\"/>"
        "<Prop28 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"\"/>"
        "<Prop30 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"0 0 0\"><track/></Prop30>"
        "<Prop31 bAnimable=\"1\" bInterpolate=\"1\" "
        "defaultValue=\"0.000000 0.000000 0.000000 1.000000\"><track/></Prop31>"
        "</COrvLayerSprite>";
    EXPECT_NE(text.find("<Layers>" + layer + "</Layers>"), std::string::npos) << text;
}

TEST(DemoFile, SaveLoadSaveGivesTheSameText)
{
    COrvDemo demo;
    Populate(demo);
    const std::string first = SaveText(demo);

    COrvTempDir dir("roundtrip");
    OrvWriteFile(dir.Path() / "demo.orv", first);
    COrvDemo loaded;
    ASSERT_TRUE(loaded.Load((dir.Path() / "demo.orv").string()));
    EXPECT_EQ(SaveText(loaded), first);
    ASSERT_EQ(loaded.GetResources().size(), demo.GetResources().size());
    ASSERT_EQ(loaded.GetLayers().size(), 2u);
    for (size_t i = 0; i < demo.GetResources().size(); ++i)
    {
        EXPECT_EQ(loaded.GetResources()[i]->GetClass(), demo.GetResources()[i]->GetClass());
        EXPECT_EQ(loaded.GetResources()[i]->GetName(), demo.GetResources()[i]->GetName());
    }
    EXPECT_EQ(loaded.GetResourceByName("mat & <co>")->GetClass(), "COrvResMaterial");
    // Values and keys came back.
    COrvPropBase::SetFrame(8.0f);
    const D3DXVECTOR3 t =
        FindProperty<COrvPropVector>(loaded.GetLayers()[0], ORV_PROP_TRANSLATION)->GetValue();
    EXPECT_FLOAT_EQ(t.y, -1.5f);
    EXPECT_EQ(
        FindProperty<COrvPropString>(loaded.GetLayers()[1], ORV_PROP_RENDER_TARGET)->GetValue(),
        "NEXT");
    COrvPropBase::SetFrame(0.0f);
}

TEST(DemoFile, MaterialsCarryTheKeysTheirConstructorMade)
{
    COrvDemo demo;
    COrvPropBase::SetFrame(37.6f);
    demo.AddResMaterial();
    COrvPropBase::SetFrame(0.0f);
    const std::string text = SaveText(demo);
    EXPECT_NE(text.find("<Prop0 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"0.000000\">"
                        "<track><key frame=\"37\" value=\"0.000000\"/></track></Prop0>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<Prop34 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"0.000000\">"
                        "<track><key frame=\"37\" value=\"0.000000\"/></track></Prop34>"),
              std::string::npos)
        << text;
}

TEST(DemoFile, UnknownElementsAreSkipped)
{
    COrvTempDir dir("unknown");
    OrvWriteFile(dir.Path() / "demo.orv",
                 "<!-- made by hand --><OrvDemo version=\"1\"><Extra/>"
                 "<Resources><COrvResMystery/><COrvResImage><Prop4 defaultValue=\"img\"/>"
                 "</COrvResImage><!-- note --></Resources>"
                 "<Layers><COrvLayerFuture><Prop4 defaultValue=\"x\"/></COrvLayerFuture>"
                 "<COrvLayerSprite><Prop4 defaultValue=\"after\"/><Prop999/></COrvLayerSprite>"
                 "</Layers><Layers><COrvLayerSprite/></Layers></OrvDemo>");
    COrvDemo demo;
    ASSERT_TRUE(demo.Load((dir.Path() / "demo.orv").string()));
    ASSERT_EQ(demo.GetResources().size(), 1u);
    EXPECT_EQ(demo.GetResources()[0]->GetName(), "img");
    ASSERT_EQ(demo.GetLayers().size(), 2u);
    EXPECT_EQ(demo.GetLayers()[0]->GetName(), "after");
    EXPECT_EQ(demo.GetLayers()[1]->GetName(), "Mon nom");
}

TEST(DemoFile, BadFilesFailOrLeaveTheDocumentAsItWas)
{
    COrvTempDir dir("bad");
    COrvDemo demo;
    demo.AddLayerSprite()->SetName("kept");
    const std::string before = SaveText(demo);
    const auto path = (dir.Path() / "demo.orv").string();

    EXPECT_FALSE(demo.Load((dir.Path() / "missing.orv").string()));
    OrvWriteFile(path, "<OrvDemo version=\"1\"><Layers>");
    EXPECT_FALSE(demo.Load(path));
    OrvWriteFile(path, "");
    EXPECT_FALSE(demo.Load(path));
    for (const char* pText :
         {"<OrvDemo version=\"0\"><Layers><COrvLayerSprite/></Layers></OrvDemo>",
          "<OrvDemo version=\"abc\"><Layers><COrvLayerSprite/></Layers></OrvDemo>",
          "<OrvDemo><Layers><COrvLayerSprite/></Layers></OrvDemo>",
          "<Other><Layers><COrvLayerSprite/></Layers></Other>",
          "<OrvDemo version=\"-99999999999999999999\"><Layers/></OrvDemo>"})
    {
        OrvWriteFile(path, pText);
        EXPECT_TRUE(demo.Load(path)) << pText;
        EXPECT_EQ(SaveText(demo), before) << pText;
    }
    // The data directory follows the current directory even when the file failed.
    std::filesystem::current_path(dir.Path());
    EXPECT_FALSE(demo.Load("missing.orv"));
    EXPECT_EQ(demo.GetDataDir(), dir.Path().string() + "/data");
}

TEST(DemoFile, OrvDemoIsFoundAnywhereAndHugeVersionsAreValid)
{
    COrvTempDir dir("nested");
    const auto path = (dir.Path() / "demo.orv").string();
    OrvWriteFile(path, "<Wrapper><OrvDemo version=\"99999999999999999999\"><Layers>"
                       "<COrvLayerSprite/></Layers></OrvDemo></Wrapper>");
    COrvDemo demo;
    ASSERT_TRUE(demo.Load(path));
    EXPECT_EQ(demo.GetLayers().size(), 1u);
}

TEST(DemoFile, AbsurdValuesLoadWithoutHarm)
{
    COrvTempDir dir("absurd");
    const auto path = (dir.Path() / "demo.orv").string();
    OrvWriteFile(
        path,
        "<OrvDemo version=\"1\"><Resources>"
        "<COrvResRenderTarget><Prop4 defaultValue=\"neg\"/>"
        "<Prop38 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"-5\"/>"
        "<Prop37 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"-5\"/></COrvResRenderTarget>"
        "<COrvResRenderTarget><Prop4 defaultValue=\"huge\"/>"
        "<Prop38 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"1000000000\"/>"
        "<Prop37 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"1000000000\"/>"
        "</COrvResRenderTarget></Resources><Layers><COrvLayerSprite>"
        "<Prop40 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"true\"><track>"
        "<key frame=\"99999999999999999999\" value=\"false\"/>"
        "<key frame=\"-99999999999999999999\" value=\"true\"/>"
        "<key frame=\"abc\" value=\"maybe\"/></track></Prop40>"
        "<Prop30 defaultValue=\"1 2\"/><Prop31 defaultValue=\"x\"/>"
        "<Prop36 bAnimable=\"1\" defaultValue=\"NEXT\"/>"
        "</COrvLayerSprite></Layers></OrvDemo>");
    CRecordingDevice device;
    COrvDemo demo;
    ASSERT_TRUE(demo.Load(path));
    demo.SetDevice(&device);
    demo.DrawFrame(0.0f);
    demo.DrawFrame(1.0e9f);
    demo.DrawFrame(-1.0e9f);
    for (COrvResource* pResource : demo.GetResources())
        EXPECT_EQ(static_cast<COrvResRenderTarget*>(pResource)->GetSurface(), nullptr);
    EXPECT_EQ(device.CountCalls("CreateTexture"), 0u);
    COrvLayer* pLayer = demo.GetLayers()[0];
    const D3DXVECTOR3 t = FindProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION)->GetValue();
    EXPECT_EQ(t.x, 0.0f);
    const D3DXQUATERNION q = FindProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION)->GetValue();
    EXPECT_EQ(q.w, 1.0f);
    demo.SetDevice(nullptr);
}

TEST(DemoFile, ASecondLoadReplacesTheListsButKeepsTheCutLayer)
{
    COrvTempDir dir("second");
    const auto path = (dir.Path() / "demo.orv").string();
    OrvWriteFile(path, "<OrvDemo version=\"1\"><Layers><COrvLayerSprite>"
                       "<Prop4 defaultValue=\"from file\"/></COrvLayerSprite></Layers></OrvDemo>");
    COrvDemo demo;
    COrvModifiable* pOld = demo.AddLayerSprite();
    COrvModifiable* pCut = demo.AddLayerSprite();
    demo.AddResImage();
    pOld->AddRef();
    demo.CutModifiable(pCut);
    ASSERT_TRUE(demo.Load(path));
    EXPECT_EQ(pOld->GetRefCount(), 1); // the list's reference was given back
    pOld->Release();
    EXPECT_EQ(demo.GetCutLayer(), pCut);
    EXPECT_TRUE(demo.GetResources().empty());
    ASSERT_EQ(demo.GetLayers().size(), 1u);
    EXPECT_EQ(demo.GetLayers()[0]->GetName(), "from file");
    ASSERT_TRUE(demo.Load(path));
    EXPECT_EQ(demo.GetLayers().size(), 1u);
}

TEST(DemoFile, MusicElementLoadsTheTrackProperties)
{
    COrvTempDir dir("music");
    const auto path = (dir.Path() / "demo.orv").string();
    COrvDemo demo;
    OrvWriteFile(path, "<OrvDemo version=\"1\"><Layers/></OrvDemo>");
    ASSERT_TRUE(demo.Load(path));
    auto* pTempo = FindProperty<COrvPropFloat>(demo.GetMusic(), ORV_PROP_MUSIC_BPM);
    ASSERT_NE(pTempo, nullptr);
    EXPECT_FLOAT_EQ(pTempo->GetValue(), 138.0f);
    OrvWriteFile(path, "<OrvDemo version=\"1\"><music><Prop15 bAnimable=\"0\" bInterpolate=\"0\" "
                       "defaultValue=\"120.000000\"/><Prop5 bAnimable=\"0\" bInterpolate=\"0\" "
                       "defaultValue=\"none.ogg\"/></music></OrvDemo>");
    ASSERT_TRUE(demo.Load(path));
    EXPECT_FLOAT_EQ(pTempo->GetValue(), 120.0f);
    EXPECT_EQ(FindProperty<COrvPropString>(demo.GetMusic(), ORV_PROP_FILENAME)->GetValue(),
              "none.ogg");
}

TEST(DemoFile, SaveToFileReplacesTheFileWhole)
{
    COrvTempDir dir("atomic");
    const auto path = dir.Path() / "demo.orv";
    OrvWriteFile(path, "old contents");
    COrvDemo demo;
    Populate(demo);
    ASSERT_TRUE(demo.SaveToFile(path.string()));
    EXPECT_EQ(OrvReadFile(path), SaveText(demo));
    // No temporary file is left beside it.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
    // A folder that does not exist: failure, and nothing written.
    EXPECT_FALSE(demo.SaveToFile((dir.Path() / "no" / "demo.orv").string()));
}

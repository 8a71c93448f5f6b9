// The resources panel: the music and the resources in document order, thumbnails of the
// images drawn with the textures the engine loaded, and resources whose files the engine
// could not use marked with the problem.
#include "PanelHarness.h"

#include "PanelCommon.h"
#include "RecordingDevice.h"

#include <algorithm>

namespace
{
// The demo drawing with a device for the length of a test, whatever way the test ends.
struct SDeviceInUse
{
    SDeviceInUse(COrvDemo& demo, SEditorContext& context, IDirect3DDevice9* pDevice)
        : m_Demo(demo), m_Context(context)
    {
        m_Demo.SetDevice(pDevice);
        m_Demo.UpdateResources(0.0f);
        m_Context.pDevice = pDevice;
    }
    ~SDeviceInUse()
    {
        m_Context.pDevice = nullptr;
        m_Demo.SetDevice(nullptr);
    }
    COrvDemo& m_Demo;
    SEditorContext& m_Context;
};

class ResourcesPanelTest : public CPanelTest
{
protected:
    std::function<void()> Draw()
    {
        return [this] { DrawResourcesPanel(m_Context); };
    }

    // The textures the last frame's draw lists use.
    static std::vector<ImTextureID> DrawnTextures()
    {
        std::vector<ImTextureID> vTextures;
        const ImDrawData* pData = ImGui::GetDrawData();
        for (int i = 0; pData && i < pData->CmdListsCount; ++i)
            for (const ImDrawCmd& command : pData->CmdLists[i]->CmdBuffer)
                vTextures.push_back(command.TextureId);
        return vTextures;
    }
};
} // namespace

TEST_F(ResourcesPanelTest, TheMusicComesFirstThenTheResourcesInDocumentOrder)
{
    m_Ui.Frame(Draw());
    const std::vector<SPanelObjectRow>& vRows = State().vResourceRows;
    ASSERT_EQ(vRows.size(), Demo().GetResources().size() + 1);
    EXPECT_EQ(vRows[0].object.eList, EEditorList::Music);
    for (size_t i = 1; i < vRows.size(); ++i)
        EXPECT_EQ(vRows[i].object, (SEditorObjectRef{EEditorList::Resources, i - 1}));

    m_Ui.Click(Centre(vRows[0].min, vRows[0].max), Draw());
    SEditorObjectRef primary;
    ASSERT_TRUE(m_Selection.GetPrimary(primary));
    EXPECT_EQ(primary.eList, EEditorList::Music);
}

TEST_F(ResourcesPanelTest, ImagesShowThumbnailsOfTheirTexturesWhenThereIsADevice)
{
    m_Ui.Frame(Draw());
    for (ImTextureID texture : DrawnTextures())
        EXPECT_EQ(texture, nullptr); // only the font, whose texture the shell sets

    CRecordingDevice device;
    SDeviceInUse use(Demo(), m_Context, &device);
    m_Ui.Frame(Draw());
    auto* pImage =
        dynamic_cast<COrvResTexture*>(Demo().GetResources()[FirstOfClass("COrvResImage")]);
    ASSERT_NE(pImage, nullptr);
    ASSERT_NE(pImage->GetTexture(), nullptr);
    const std::vector<ImTextureID> vTextures = DrawnTextures();
    EXPECT_NE(std::find(vTextures.begin(), vTextures.end(),
                        static_cast<ImTextureID>(pImage->GetTexture())),
              vTextures.end());
}

TEST_F(ResourcesPanelTest, AResourceWhoseFileCannotBeUsedIsMarkedWithTheProblem)
{
    const size_t uImage = FirstOfClass("COrvResImage");
    COrvModifiable* pImage = Demo().GetResources()[uImage];
    SEditorPropRef file;
    ASSERT_NE(Prop({EEditorList::Resources, uImage}, ORV_PROP_FILENAME, &file), nullptr);
    EXPECT_TRUE(orv::editor::ProblemsOf(m_Document, *pImage).empty());

    // A picture file that is not a picture, found when the engine loads it.
    OrvWriteFile(m_Dir.Path() / "demo" / "data" / "broken.png", "not a picture");
    std::string sError;
    ASSERT_TRUE(m_Document.Execute(EditorSetValue(file, 0.0f, std::string("broken.png")), sError))
        << sError;
    CRecordingDevice device;
    SDeviceInUse use(Demo(), m_Context, &device);
    const std::vector<ORV_LoadProblem> vProblems = orv::editor::ProblemsOf(m_Document, *pImage);
    ASSERT_EQ(vProblems.size(), 1u);
    EXPECT_NE(vProblems[0].Describe().find("broken.png"), std::string::npos)
        << vProblems[0].Describe();
    // Only that image is concerned (without a real device other kinds may have their own).
    for (size_t i = 0; i < Demo().GetResources().size(); ++i)
        if (i != uImage && Demo().GetResources()[i]->GetClass() == "COrvResImage")
        {
            EXPECT_TRUE(orv::editor::ProblemsOf(m_Document, *Demo().GetResources()[i]).empty())
                << i;
        }
    m_Ui.Frame(Draw()); // drawn with the mark
}

TEST_F(ResourcesPanelTest, AddingAMaterialKeysItsAlphaToOneInOneStep)
{
    const size_t uCount = Demo().GetResources().size();
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(State().addButtonMin[1], State().addButtonMax[1]), Draw());
    // The menu lists the resource factories in their order: image, material, ...
    ASSERT_TRUE(m_Ui.ClickPopupEntry(1, Draw()));
    ASSERT_EQ(Demo().GetResources().size(), uCount + 1);
    EXPECT_EQ(Demo().GetResources().back()->GetClass(), "COrvResMaterial");
    COrvPropBase* pAlpha = Prop({EEditorList::Resources, uCount}, ORV_PROP_ALPHA);
    ASSERT_NE(pAlpha, nullptr);
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*pAlpha, m_Context.fFrame, value));
    EXPECT_EQ(std::get<float>(value), 1.0f);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(ResourcesPanelTest, ADroppedFileIsCopiedInAndGivenToWhatTakesIt)
{
    COrvTempDir elsewhere("dropped");
    const std::filesystem::path data = m_Dir.Path() / "demo" / "data";
    std::filesystem::copy_file(data / "sky.png", elsewhere.Path() / "clouds.png");
    OrvWriteFile(elsewhere.Path() / "notes.txt", "text");

    // Nothing selected: a new image resource, selected, naming the copy.
    const size_t uCount = Demo().GetResources().size();
    ASSERT_TRUE(UseDroppedFile(m_Context, elsewhere.File("clouds.png"))) << Status();
    EXPECT_TRUE(std::filesystem::exists(data / "clouds.png"));
    ASSERT_EQ(Demo().GetResources().size(), uCount + 1);
    const SEditorObjectRef added{EEditorList::Resources, uCount};
    EXPECT_EQ(Demo().GetResources()[uCount]->GetClass(), "COrvResImage");
    EXPECT_TRUE(m_Selection.IsSelected(added));
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*Prop(added, ORV_PROP_FILENAME), 0.0f, value));
    EXPECT_EQ(std::get<std::string>(value), "clouds.png");

    // An image resource selected: it takes the file.
    const SEditorObjectRef first{EEditorList::Resources, 0};
    ASSERT_EQ(Demo().GetResources()[0]->GetClass(), "COrvResImage");
    m_Selection.SelectObject(first);
    ASSERT_TRUE(UseDroppedFile(m_Context, (data / "ring.png").string()));
    ASSERT_TRUE(EditorReadValueAt(*Prop(first, ORV_PROP_FILENAME), 0.0f, value));
    EXPECT_EQ(std::get<std::string>(value), "ring.png");
    EXPECT_EQ(Demo().GetResources().size(), uCount + 1);

    // A sound becomes the music.
    std::filesystem::copy_file(data / "atelier.ogg", elsewhere.Path() / "theme.ogg");
    ASSERT_TRUE(UseDroppedFile(m_Context, elsewhere.File("theme.ogg")));
    ASSERT_TRUE(EditorReadValueAt(*Prop({EEditorList::Music, 0}, ORV_PROP_FILENAME), 0.0f, value));
    EXPECT_EQ(std::get<std::string>(value), "theme.ogg");

    // What the demo cannot use is refused with the reason, nothing changed.
    const size_t uSteps = m_Document.GetHistory().GetUndoCount();
    EXPECT_FALSE(UseDroppedFile(m_Context, elsewhere.File("notes.txt")));
    EXPECT_NE(Status().find("notes.txt"), std::string::npos) << Status();
    EXPECT_FALSE(UseDroppedFile(m_Context, elsewhere.File("missing.png")));
    EXPECT_NE(Status().find("missing.png"), std::string::npos) << Status();
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), uSteps);
    EXPECT_FALSE(std::filesystem::exists(data / "notes.txt"));
}

// The layers panel driven by the mouse and keyboard on the sample demo: selecting, adding,
// renaming, showing and hiding, deleting and reordering layers, each change one undo step
// and the document's order the engine's.
#include "PanelHarness.h"

#include "ObjectListPanel.h"

namespace
{
class LayersPanelTest : public CPanelTest
{
protected:
    std::function<void()> Draw()
    {
        return [this] { DrawLayersPanel(m_Context); };
    }
    const SPanelObjectRow& Row(size_t uIndex)
    {
        for (const SPanelObjectRow& row : State().vLayerRows)
            if (row.object.uIndex == uIndex)
                return row;
        ADD_FAILURE() << "no row " << uIndex;
        return State().vLayerRows.front();
    }
    ImVec2 RowCentre(size_t uIndex) { return Centre(Row(uIndex).min, Row(uIndex).max); }
};
} // namespace

TEST_F(LayersPanelTest, RowsFollowTheDocumentAndAClickSelects)
{
    m_Ui.Frame(Draw());
    ASSERT_EQ(State().vLayerRows.size(), Demo().GetLayers().size());
    for (size_t i = 1; i < State().vLayerRows.size(); ++i)
        EXPECT_GT(State().vLayerRows[i].min.y, State().vLayerRows[i - 1].min.y);

    m_Ui.Click(RowCentre(3), Draw());
    SEditorObjectRef primary;
    ASSERT_TRUE(m_Selection.GetPrimary(primary));
    EXPECT_EQ(primary, (SEditorObjectRef{EEditorList::Layers, 3}));
    EXPECT_EQ(m_Selection.GetObjects().size(), 1u);

    // Ctrl+click adds another; a plain click selects one again.
    m_Ui.SetModifiers(true, false, false);
    m_Ui.Click(RowCentre(5), Draw());
    m_Ui.SetModifiers(false, false, false);
    EXPECT_EQ(m_Selection.GetObjects().size(), 2u);
    EXPECT_TRUE(m_Selection.IsSelected(SEditorObjectRef{EEditorList::Layers, 5}));
    m_Ui.Click(RowCentre(1), Draw());
    EXPECT_EQ(m_Selection.GetObjects(), (std::vector<SEditorObjectRef>{{EEditorList::Layers, 1}}));
    EXPECT_FALSE(m_Document.CanUndo()); // selecting changes nothing
}

TEST_F(LayersPanelTest, ADragInTheListMovesTheLayerThroughTheDocument)
{
    const std::vector<std::string> vBefore = LayerNames();
    m_Ui.Frame(Draw());
    // Row 1 dropped below row 4: it goes before the layer that was at 5.
    const ImVec2 to(RowCentre(4).x, Row(4).max.y - 2.0f);
    m_Ui.Drag(RowCentre(1), to, Draw());
    std::vector<std::string> vExpected = vBefore;
    vExpected.insert(vExpected.begin() + 5, vBefore[1]);
    vExpected.erase(vExpected.begin() + 1);
    EXPECT_EQ(LayerNames(), vExpected);
    SEditorObjectRef primary;
    ASSERT_TRUE(m_Selection.GetPrimary(primary));
    EXPECT_EQ(Demo().GetLayers()[primary.uIndex]->GetName(), vBefore[1]);

    // One undo step; the engine's list is back as it was.
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
    ASSERT_TRUE(m_Document.Undo());
    EXPECT_EQ(LayerNames(), vBefore);

    // Dragged to the top: first in the engine's order.
    m_Ui.Frame(Draw());
    m_Ui.Drag(RowCentre(6), ImVec2(RowCentre(0).x, Row(0).min.y + 1.0f), Draw());
    EXPECT_EQ(LayerNames().front(), vBefore[6]);
    EXPECT_EQ(LayerNames().size(), vBefore.size());
}

TEST_F(LayersPanelTest, ADropBackOnItsOwnPlaceChangesNothing)
{
    m_Ui.Frame(Draw());
    m_Ui.Drag(RowCentre(2), ImVec2(RowCentre(2).x, RowCentre(2).y + 3.0f), Draw());
    EXPECT_FALSE(m_Document.CanUndo());
}

TEST_F(LayersPanelTest, TheAddMenuAddsAFactorysLayerSelectedAndNamedByItsRule)
{
    const size_t uCount = Demo().GetLayers().size();
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(State().addButtonMin[0], State().addButtonMax[0]), Draw());
    // The menu's first entry is the sprite layer.
    ASSERT_TRUE(m_Ui.ClickPopupEntry(0, Draw()));
    ASSERT_EQ(Demo().GetLayers().size(), uCount + 1);
    EXPECT_EQ(Demo().GetLayers().back()->GetClass(), "COrvLayerSprite");
    SEditorObjectRef primary;
    ASSERT_TRUE(m_Selection.GetPrimary(primary));
    EXPECT_EQ(primary, (SEditorObjectRef{EEditorList::Layers, uCount}));
    ASSERT_TRUE(m_Document.Undo());
    EXPECT_EQ(Demo().GetLayers().size(), uCount);
}

TEST_F(LayersPanelTest, DoubleClickRenamesInPlace)
{
    m_Ui.Frame(Draw());
    const ImVec2 row = RowCentre(2);
    m_Ui.MoveTo(row, Draw());
    m_Ui.Press(Draw());
    m_Ui.Release(Draw());
    m_Ui.Press(Draw()); // the second click of a double-click
    m_Ui.Release(Draw());
    ASSERT_TRUE(State().bRenaming);
    m_Ui.Frames(3, Draw());
    // The field starts with the whole name selected: typing replaces it.
    m_Ui.Type("Intro title", Draw());
    m_Ui.Key(ImGuiKey_Enter, Draw());
    EXPECT_EQ(Demo().GetLayers()[2]->GetName(), "Intro title");
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(LayersPanelTest, TheBoxBesideALayerShowsAndHidesIt)
{
    m_Ui.Frame(Draw());
    SEditorPropRef visible;
    COrvPropBase* pVisible = Prop({EEditorList::Layers, 4}, ORV_PROP_VISIBLE, &visible);
    ASSERT_NE(pVisible, nullptr);
    SEditorValue before;
    ASSERT_TRUE(EditorReadValueAt(*pVisible, 0.0f, before));
    const ImGuiWindow* pWindow = ImGui::FindWindowByName("panel");
    // The box is the first thing of the row, at the window's left.
    m_Ui.Click(ImVec2(pWindow->DC.CursorStartPos.x + 8.0f, RowCentre(4).y), Draw());
    SEditorValue after;
    ASSERT_TRUE(EditorReadValueAt(*pVisible, 0.0f, after));
    EXPECT_NE(std::get<bool>(after), std::get<bool>(before));
    EXPECT_TRUE(pVisible->GetTrack().empty()); // not animable: the default changed
    m_Document.Undo();
    ASSERT_TRUE(EditorReadValueAt(*pVisible, 0.0f, after));
    EXPECT_EQ(std::get<bool>(after), std::get<bool>(before));
}

TEST_F(LayersPanelTest, DeleteRemovesTheSelectedLayer)
{
    const std::vector<std::string> vBefore = LayerNames();
    m_Ui.Frame(Draw());
    m_Ui.Click(RowCentre(7), Draw());
    m_Ui.Key(ImGuiKey_Delete, Draw());
    std::vector<std::string> vExpected = vBefore;
    vExpected.erase(vExpected.begin() + 7);
    EXPECT_EQ(LayerNames(), vExpected);
    m_Document.Undo();
    EXPECT_EQ(LayerNames(), vBefore);
}

TEST_F(LayersPanelTest, DuplicatePlacesACopyAfterTheOriginalSelected)
{
    const std::vector<std::string> vBefore = LayerNames();
    m_Ui.Frame(Draw());
    m_Ui.Click(RowCentre(3), Draw());
    // "Duplicate" follows "Add" on the tool bar.
    const ImVec2 add = State().addButtonMax[0];
    m_Ui.Click(ImVec2(add.x + ImGui::GetStyle().ItemSpacing.x + 10.0f, add.y - 5.0f), Draw());
    ASSERT_EQ(LayerNames().size(), vBefore.size() + 1);
    EXPECT_EQ(Demo().GetLayers()[4]->GetClass(), Demo().GetLayers()[3]->GetClass());
    EXPECT_NE(LayerNames()[4], vBefore[3]); // named by the factory's rule
    EXPECT_EQ(LayerNames()[5], vBefore[4]);
    EXPECT_EQ(m_Selection.GetObjects(), (std::vector<SEditorObjectRef>{{EEditorList::Layers, 4}}));
}

TEST(ObjectListTest, ClassNamesAreShortened)
{
    EXPECT_EQ(orv::editor::ShortClassName("COrvLayerSprite"), "Sprite");
    EXPECT_EQ(orv::editor::ShortClassName("COrvLayerPPBloom"), "Bloom");
    EXPECT_EQ(orv::editor::ShortClassName("COrvResImage"), "Image");
    EXPECT_EQ(orv::editor::ShortClassName("COrvMusic"), "Music");
    EXPECT_EQ(orv::editor::ShortClassName("Other"), "Other");
}

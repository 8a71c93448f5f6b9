// The timeline on the sample demo: the playhead, key rows of the selection, keys selected by
// click and box and moved by dragging onto the snapping grid, deleted, copied and pasted at
// the playhead, biased, bookmarks, and the curve view drawing the engine's own values.
#include "PanelHarness.h"

#include <cmath>
#include <map>

namespace
{
class TimelinePanelTest : public CPanelTest
{
protected:
    std::function<void()> Draw()
    {
        return [this] { DrawTimelinePanel(m_Context); };
    }

    // A new material whose Alpha holds keys 1 at 0, 0.5 at 64 and 0.25 at 128, selected.
    void SetUp() override
    {
        CPanelTest::SetUp();
        std::string sError;
        ASSERT_TRUE(m_Document.Execute(EditorAddObject(EEditorFactory::ResMaterial, 0.0f), sError))
            << sError;
        m_Material = SEditorObjectRef{EEditorList::Resources, Demo().GetResources().size() - 1};
        m_pAlpha = Prop(m_Material, ORV_PROP_ALPHA, &m_Alpha);
        ASSERT_NE(m_pAlpha, nullptr);
        ASSERT_TRUE(m_Document.Execute(EditorAddKey(m_Alpha, 64, 0.5f), sError)) << sError;
        ASSERT_TRUE(m_Document.Execute(EditorAddKey(m_Alpha, 128, 0.25f), sError)) << sError;
        m_Selection.SelectObject(m_Material);
        m_uSteps = m_Document.GetHistory().GetUndoCount();
        m_Ui.Frame(Draw());
        // Four pixels a frame from just before the start, whatever the music's length.
        State().scale.Show(-16.0f, (State().fTracksRight - State().fTracksLeft) / 4.0f - 16.0f,
                           State().fTracksRight - State().fTracksLeft);
        m_Ui.Frame(Draw());
    }

    const SPanelTrackRow& AlphaRow()
    {
        for (const SPanelTrackRow& row : State().vTrackRows)
            if (row.prop == m_Alpha)
                return row;
        ADD_FAILURE() << "no row for the Alpha";
        return State().vTrackRows.front();
    }
    ImVec2 KeyPoint(float fFrame)
    {
        return ImVec2(State().scale.FrameToX(fFrame),
                      (AlphaRow().fTop + AlphaRow().fBottom) * 0.5f);
    }
    std::map<int, float> Keys()
    {
        std::map<int, float> keys;
        for (const auto& entry : m_pAlpha->GetTrack())
        {
            SEditorValue value;
            EXPECT_TRUE(EditorReadKey(*m_pAlpha, entry.first, value));
            keys[entry.first] = std::get<float>(value);
        }
        return keys;
    }
    SEditorKeyRef Key(int iFrame) const { return SEditorKeyRef{m_Alpha, iFrame}; }
    // Box-selects the keys at 64 and 128.
    void SelectTwoKeys()
    {
        const SPanelTrackRow& row = AlphaRow();
        m_Ui.Drag(ImVec2(State().scale.FrameToX(40.0f), row.fTop + 1.0f),
                  ImVec2(State().scale.FrameToX(150.0f), row.fBottom - 1.0f), Draw());
    }

    SEditorObjectRef m_Material;
    SEditorPropRef m_Alpha;
    COrvPropBase* m_pAlpha = nullptr;
    size_t m_uSteps = 0;
};
} // namespace

TEST_F(TimelinePanelTest, TheSelectionsAnimatedPropertiesAreRows)
{
    // A new material keys its Alpha and its Specular; its other properties have no keys.
    SEditorPropRef specular;
    ASSERT_NE(Prop(m_Material, ORV_PROP_SPECULAR, &specular), nullptr);
    ASSERT_EQ(State().vTrackRows.size(), 2u);
    EXPECT_EQ(State().vTrackRows[0].prop, m_Alpha);
    EXPECT_EQ(State().vTrackRows[1].prop, specular);
    EXPECT_GT(State().vTrackRows[0].fTop, State().fRulerBottom);
    EXPECT_GE(State().vTrackRows[1].fTop, State().vTrackRows[0].fBottom);
    m_Selection.Clear();
    m_Ui.Frame(Draw());
    EXPECT_TRUE(State().vTrackRows.empty());
}

TEST_F(TimelinePanelTest, AClickSelectsAKeyShiftAddsAndABoxSelectsWhatItCovers)
{
    m_Ui.Click(KeyPoint(64.0f), Draw());
    EXPECT_EQ(m_Selection.GetKeys(), std::vector<SEditorKeyRef>{Key(64)});
    m_Ui.SetModifiers(false, true, false);
    m_Ui.Click(KeyPoint(0.0f), Draw());
    m_Ui.SetModifiers(false, false, false);
    EXPECT_TRUE(m_Selection.IsSelected(Key(0)));
    EXPECT_TRUE(m_Selection.IsSelected(Key(64)));

    // A box started on empty ground replaces the selection.
    SelectTwoKeys();
    EXPECT_EQ(m_Selection.GetKeys().size(), 2u);
    EXPECT_TRUE(m_Selection.IsSelected(Key(64)));
    EXPECT_TRUE(m_Selection.IsSelected(Key(128)));
    EXPECT_FALSE(m_Selection.IsSelected(Key(0)));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps);
}

TEST_F(TimelinePanelTest, DraggedKeysLandOnTheSnappingGridInOneStep)
{
    SelectTwoKeys();
    State().eSnap = orv::editor::ESnap::Beat;
    // 21 frames to the right of 64: the key lands on the nearest beat, 80.
    const float fPixels = 21.0f * State().scale.GetPixelsPerFrame();
    m_Ui.Drag(KeyPoint(64.0f), ImVec2(KeyPoint(64.0f).x + fPixels, KeyPoint(64.0f).y), Draw());
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {80, 0.5f}, {144, 0.25f}}));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps + 1);
    EXPECT_TRUE(m_Selection.IsSelected(Key(80)));
    EXPECT_TRUE(m_Selection.IsSelected(Key(144)));

    // To bars: 30 frames later snaps the pressed key to 128 (the bar nearest 110).
    State().eSnap = orv::editor::ESnap::Bar;
    m_Ui.Drag(
        KeyPoint(80.0f),
        ImVec2(KeyPoint(80.0f).x + 30.0f * State().scale.GetPixelsPerFrame(), KeyPoint(80.0f).y),
        Draw());
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {128, 0.5f}, {192, 0.25f}}));

    // Alt: any whole frame.
    m_Ui.SetModifiers(false, false, true);
    m_Ui.Drag(
        KeyPoint(128.0f),
        ImVec2(KeyPoint(128.0f).x - 5.0f * State().scale.GetPixelsPerFrame(), KeyPoint(128.0f).y),
        Draw());
    m_Ui.SetModifiers(false, false, false);
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {123, 0.5f}, {187, 0.25f}}));

    m_Document.Undo();
    m_Document.Undo();
    m_Document.Undo();
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {64, 0.5f}, {128, 0.25f}}));
}

TEST_F(TimelinePanelTest, BiasShiftsTheSelectedValuesByTheStepOfTheKey)
{
    SelectTwoKeys();
    m_Ui.Key(ImGuiKey_UpArrow, Draw());
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {64, 1.5f}, {128, 1.25f}}));
    m_Ui.SetModifiers(false, true, false);
    m_Ui.Key(ImGuiKey_DownArrow, Draw());
    m_Ui.SetModifiers(false, false, true);
    m_Ui.Key(ImGuiKey_UpArrow, Draw());
    m_Ui.SetModifiers(false, false, false);
    const std::map<int, float> keys = Keys();
    EXPECT_FLOAT_EQ(keys.at(64), 1.5f - 10.0f + 0.1f);
    EXPECT_FLOAT_EQ(keys.at(128), 1.25f - 10.0f + 0.1f);
    EXPECT_FLOAT_EQ(keys.at(0), 1.0f);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps + 3);

    ShiftSelectedKeyValues(m_Context, -1.0f); // as the palette and the buttons do
    EXPECT_FLOAT_EQ(Keys().at(64), 1.5f - 10.0f + 0.1f - 1.0f);
}

TEST_F(TimelinePanelTest, KeysCopiedArePastedAtThePlayheadAndDeleteRemovesTheSelected)
{
    m_Ui.Click(KeyPoint(64.0f), Draw());
    m_Ui.SetModifiers(true, false, false);
    m_Ui.Key(ImGuiKey_C, Draw());
    m_Context.fFrame = 300.7f;
    m_Ui.Key(ImGuiKey_V, Draw());
    m_Ui.SetModifiers(false, false, false);
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {64, 0.5f}, {128, 0.25f}, {300, 0.5f}}));
    EXPECT_EQ(m_Selection.GetKeys(), std::vector<SEditorKeyRef>{Key(300)});

    m_Ui.Key(ImGuiKey_Delete, Draw());
    EXPECT_EQ(Keys(), (std::map<int, float>{{0, 1.0f}, {64, 0.5f}, {128, 0.25f}}));
    EXPECT_TRUE(m_Selection.GetKeys().empty());
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps + 2);
}

TEST_F(TimelinePanelTest, ThePlayheadFollowsAPressAndDragOnTheRuler)
{
    const float fY = (State().fRulerTop + State().fRulerBottom) * 0.5f;
    m_Ui.MoveTo(ImVec2(State().scale.FrameToX(77.0f), fY), Draw());
    m_Ui.Press(Draw());
    EXPECT_EQ(m_Context.fFrame, 77.0f);
    m_Ui.MoveTo(ImVec2(State().scale.FrameToX(90.2f), fY), Draw());
    EXPECT_EQ(m_Context.fFrame, 90.0f);
    m_Ui.Release(Draw());
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps);
}

TEST_F(TimelinePanelTest, BookmarksAreSetAndJumpedBetweenByKeys)
{
    m_Ui.Click(ImVec2(State().scale.FrameToX(200.0f), AlphaRow().fBottom + 30.0f), Draw()); // focus
    m_Context.fFrame = 32.0f;
    m_Ui.Key(ImGuiKey_Insert, Draw());
    m_Context.fFrame = 100.0f;
    m_Ui.Key(ImGuiKey_Insert, Draw());
    EXPECT_EQ(m_Document.GetBookmarks(), (std::vector<int>{32, 100}));
    m_Context.fFrame = 50.0f;
    m_Ui.Key(ImGuiKey_PageUp, Draw());
    EXPECT_EQ(m_Context.fFrame, 32.0f);
    m_Ui.Key(ImGuiKey_PageUp, Draw()); // none before
    EXPECT_EQ(m_Context.fFrame, 32.0f);
    m_Ui.Key(ImGuiKey_PageDown, Draw());
    EXPECT_EQ(m_Context.fFrame, 100.0f);
    m_Ui.Key(ImGuiKey_Insert, Draw()); // removes the one here
    EXPECT_EQ(m_Document.GetBookmarks(), std::vector<int>{32});
}

TEST_F(TimelinePanelTest, TheCurveViewDrawsTheValuesTheEngineEvaluates)
{
    State().bCurves = true;
    State().bHasCurve = true;
    State().curveProp = m_Alpha;
    COrvPropBase::SetFrame(5.0f);
    m_Ui.Frame(Draw());
    EXPECT_EQ(COrvPropBase::m_siFrame, 5.0f); // drawing reads without moving the engine's frame
    ASSERT_EQ(State().uCurveComponents, 1u);
    ASSERT_GT(State().vCurveFrames.size(), 100u);
    auto* pAlpha = dynamic_cast<COrvPropFloat*>(m_pAlpha);
    ASSERT_NE(pAlpha, nullptr);
    bool bBetweenKeys = false;
    for (size_t i = 0; i < State().vCurveFrames.size(); i += 7)
    {
        // The engine's own evaluation, at its process-wide frame.
        const float fFrame = State().vCurveFrames[i];
        COrvPropBase::SetFrame(fFrame);
        const float fEngine = pAlpha->GetValue();
        // Before the first key, at frame 0, the engine's blend divides by zero.
        if (std::isnan(fEngine))
            EXPECT_TRUE(std::isnan(State().vCurveValues[i])) << fFrame;
        else
            EXPECT_FLOAT_EQ(State().vCurveValues[i], fEngine) << fFrame;
        bBetweenKeys |= fFrame > 70.0f && fFrame < 120.0f;
    }
    EXPECT_TRUE(bBetweenKeys);
    COrvPropBase::SetFrame(0.0f);
}

TEST_F(TimelinePanelTest, ACurveHandleDragsItsKeysValueInOneStep)
{
    State().bCurves = true;
    State().bHasCurve = true;
    State().curveProp = m_Alpha;
    m_Ui.Frame(Draw());
    // The handle of the key at 64 (value 0.5), dragged up by a quarter of the view.
    const float fLow = State().fCurveLow;
    const float fHigh = State().fCurveHigh;
    const float fTop = State().curveMin.y + 4.0f;
    const float fBottom = State().curveMax.y - 4.0f;
    const float fY = fBottom - (0.5f - fLow) / (fHigh - fLow) * (fBottom - fTop);
    const float fX = State().scale.FrameToX(64.0f);
    const float fUp = (fBottom - fTop) * 0.25f;
    m_Ui.Drag(ImVec2(fX, fY), ImVec2(fX, fY - fUp), Draw());
    EXPECT_NEAR(Keys().at(64), 0.5f + (fHigh - fLow) * 0.25f, 0.02f);
    EXPECT_EQ(Keys().size(), 3u);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps + 1);
    m_Document.Undo();
    EXPECT_FLOAT_EQ(Keys().at(64), 0.5f);
}

TEST_F(TimelinePanelTest, TheWheelZoomsAroundThePointerAndShiftWheelPans)
{
    const ImVec2 point = KeyPoint(128.0f);
    m_Ui.MoveTo(point, Draw());
    const float fPixels = State().scale.GetPixelsPerFrame();
    ImGui::GetIO().MouseWheel = 1.0f;
    m_Ui.Frame(Draw());
    EXPECT_FLOAT_EQ(State().scale.GetPixelsPerFrame(), fPixels * 1.25f);
    EXPECT_NEAR(State().scale.XToFrame(point.x), 128.0f, 0.01f);

    const float fFirst = State().scale.GetFirstFrame();
    m_Ui.SetModifiers(false, true, false);
    ImGui::GetIO().MouseWheel = -1.0f;
    m_Ui.Frame(Draw());
    m_Ui.SetModifiers(false, false, false);
    EXPECT_FLOAT_EQ(State().scale.GetFirstFrame(),
                    fFirst + 40.0f / State().scale.GetPixelsPerFrame());
}

TEST_F(TimelinePanelTest, ATracksNameShowsItInTheCurveView)
{
    EXPECT_FALSE(State().bHasCurve);
    m_Ui.Click(ImVec2(State().fTracksLeft - 40.0f, (AlphaRow().fTop + AlphaRow().fBottom) * 0.5f),
               Draw());
    EXPECT_TRUE(State().bHasCurve);
    EXPECT_EQ(State().curveProp, m_Alpha);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps);
}

TEST_F(TimelinePanelTest, ADoubleClickOnARowAddsAKeyOnTheGridHoldingTheValueThere)
{
    State().eSnap = orv::editor::ESnap::Beat;
    SEditorValue there;
    ASSERT_TRUE(EditorReadValueAt(*m_pAlpha, 96.0f, there));
    const ImVec2 point = KeyPoint(99.0f); // the nearest beat is frame 96
    m_Ui.MoveTo(point, Draw());
    m_Ui.Press(Draw());
    m_Ui.Release(Draw());
    m_Ui.Press(Draw());
    m_Ui.Release(Draw());
    ASSERT_EQ(Keys().count(96), 1u);
    EXPECT_FLOAT_EQ(Keys().at(96), std::get<float>(there));
    EXPECT_EQ(Keys().size(), 4u);
    EXPECT_EQ(m_Selection.GetKeys(), std::vector<SEditorKeyRef>{Key(96)});
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), m_uSteps + 1);
}

// Each command of the model, its effect through the engine's rules, and its undo and redo.
#include "EditorClipboard.h"
#include "EditorCommands.h"
#include "EditorTestDemo.h"

#include "layers/OrvMouseDrag.h"

#include <gtest/gtest.h>

namespace
{
const char* const kSmallDemo =
    "<OrvDemo version=\"1\"><music><Prop4 bAnimable=\"0\" defaultValue=\"Music\"/>"
    "<Prop15 bAnimable=\"0\" defaultValue=\"120\"/><Prop5 bAnimable=\"0\" defaultValue=\"\"/>"
    "</music><Resources>"
    "<COrvResMaterial><Prop4 bAnimable=\"0\" defaultValue=\"paint\"/>"
    "<Prop0 defaultValue=\"0\"><track><key frame=\"0\" value=\"1\"/></track></Prop0>"
    "</COrvResMaterial>"
    "<COrvResImage><Prop4 bAnimable=\"0\" defaultValue=\"picture\"/></COrvResImage>"
    "</Resources><Layers>"
    "<COrvLayerSprite><Prop4 bAnimable=\"0\" defaultValue=\"first\"/>"
    "<Prop30 defaultValue=\"0 0 0\"><track><key frame=\"16\" value=\"1 2 3\"/>"
    "<key frame=\"32\" value=\"4 5 6\"/></track></Prop30></COrvLayerSprite>"
    "<COrvLayerGrid><Prop4 bAnimable=\"0\" defaultValue=\"second\"/></COrvLayerGrid>"
    "<COrvLayerPPBloom><Prop4 bAnimable=\"0\" defaultValue=\"third\"/></COrvLayerPPBloom>"
    "</Layers></OrvDemo>";

constexpr SEditorObjectRef kFirst{EEditorList::Layers, 0};
constexpr SEditorObjectRef kPaint{EEditorList::Resources, 0};

class EditorCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Folder.Write(kSmallDemo);
        std::string sError;
        ASSERT_TRUE(m_Document.Open(m_Folder.Path().string(), sError)) << sError;
        m_sOpened = SaveTextOf(m_Document);
    }
    void TearDown() override { COrvPropBase::SetFrame(0.0f); }

    // Runs the command, then checks that undo gives the opened text back and redo the edited
    // one; returns the edited text.
    std::string RunAndCheckUndo(EditorCommandPtr pCommand)
    {
        std::string sError;
        EXPECT_TRUE(m_Document.Execute(std::move(pCommand), sError)) << sError;
        const std::string sEdited = SaveTextOf(m_Document);
        EXPECT_NE(sEdited, m_sOpened) << "the command changed nothing";
        EXPECT_TRUE(m_Document.IsModified());
        EXPECT_TRUE(m_Document.Undo());
        EXPECT_EQ(SaveTextOf(m_Document), m_sOpened);
        EXPECT_FALSE(m_Document.IsModified());
        EXPECT_TRUE(m_Document.Redo());
        EXPECT_EQ(SaveTextOf(m_Document), sEdited);
        return sEdited;
    }

    COrvDemo& Demo() { return m_Document.GetDemo(); }
    COrvModifiable* Object(const SEditorObjectRef& ref) { return EditorFindObject(Demo(), ref); }
    COrvPropBase* Prop(const SEditorObjectRef& ref, ORV_PROP_ID id)
    {
        return EditorFindProp(Demo(), PropRefOf(m_Document, ref, id));
    }
    std::vector<std::string> LayerNames()
    {
        std::vector<std::string> names;
        for (COrvLayer* pLayer : Demo().GetLayers())
            names.push_back(pLayer->GetName());
        return names;
    }

    CEditorTestFolder m_Folder{"editor_command"};
    CEditorDocument m_Document;
    std::string m_sOpened;
};

D3DXVECTOR3 VectorKey(COrvPropBase* pProp, int iFrame)
{
    SEditorValue value;
    EXPECT_TRUE(EditorReadKey(*pProp, iFrame, value)) << "no key at " << iFrame;
    return std::holds_alternative<D3DXVECTOR3>(value) ? std::get<D3DXVECTOR3>(value)
                                                      : D3DXVECTOR3(-1, -1, -1);
}
} // namespace

TEST_F(EditorCommand, SetValueKeysTheTruncatedFrameOfAnAnimableProperty)
{
    COrvPropBase::SetFrame(3.0f);
    const SEditorPropRef position = PropRefOf(m_Document, kFirst, ORV_PROP_TRANSLATION);
    RunAndCheckUndo(EditorSetValue(position, 40.75f, D3DXVECTOR3(7, 8, 9)));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 40), D3DXVECTOR3(7, 8, 9));
    EXPECT_EQ(COrvPropBase::m_siFrame, 3.0f) << "the host's frame stays";

    // The same value again adds nothing, as the engine's SetValue: no step is kept.
    std::string sError;
    const size_t uSteps = m_Document.GetHistory().GetUndoCount();
    ASSERT_TRUE(m_Document.Execute(EditorSetValue(position, 40.0f, D3DXVECTOR3(7, 8, 9)), sError));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), uSteps);

    EXPECT_FALSE(m_Document.Execute(EditorSetValue(position, 0.0f, 1.5f), sError));
    EXPECT_NE(sError.find("type"), std::string::npos) << sError;
}

TEST_F(EditorCommand, SetValueChangesTheDefaultOfAPropertyThatIsNotAnimable)
{
    const std::string sEdited = RunAndCheckUndo(EditorSetValue(
        PropRefOf(m_Document, kFirst, ORV_PROP_MATERIAL_NAME), 12.0f, std::string("paint")));
    EXPECT_TRUE(Prop(kFirst, ORV_PROP_MATERIAL_NAME)->GetTrack().empty());
    EXPECT_NE(sEdited.find("defaultValue=\"paint\""), std::string::npos);
}

TEST_F(EditorCommand, KeysAreAddedDeletedMovedAndShifted)
{
    const SEditorPropRef position = PropRefOf(m_Document, kFirst, ORV_PROP_TRANSLATION);
    RunAndCheckUndo(EditorAddKey(position, 8, D3DXVECTOR3(1, 1, 1)));
    EXPECT_EQ(Prop(kFirst, ORV_PROP_TRANSLATION)->GetTrack().size(), 3u);
    m_Document.Undo();

    // A key holding the value evaluated there.
    SEditorValue expected;
    ASSERT_TRUE(EditorReadValueAt(*Prop(kFirst, ORV_PROP_TRANSLATION), 24.0f, expected));
    RunAndCheckUndo(EditorAddKeyHere(position, 24));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 24), std::get<D3DXVECTOR3>(expected));
    m_Document.Undo();

    RunAndCheckUndo(EditorDeleteKeys({{position, 16}}));
    EXPECT_EQ(Prop(kFirst, ORV_PROP_TRANSLATION)->GetTrack().count(16), 0u);
    m_Document.Undo();

    // Moved onto each other's frames, both keep their values.
    RunAndCheckUndo(EditorMoveKeys({{position, 16}, {position, 32}}, 16));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 32), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 48), D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(Prop(kFirst, ORV_PROP_TRANSLATION)->GetTrack().size(), 2u);
    m_Document.Undo();

    // Moved onto a key that is not moving: it replaces it, and undo brings it back.
    RunAndCheckUndo(EditorMoveKeys({{position, 16}}, 16));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 32), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(Prop(kFirst, ORV_PROP_TRANSLATION)->GetTrack().size(), 1u);
    m_Document.Undo();

    RunAndCheckUndo(EditorShiftKeyValues({{position, 16}}, -0.5f));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 16), D3DXVECTOR3(0.5f, 1.5f, 2.5f));
    m_Document.Undo();

    const SEditorPropRef alpha = PropRefOf(m_Document, kPaint, ORV_PROP_ALPHA);
    RunAndCheckUndo(EditorShiftKeyValues({{alpha, 0}}, 0.1f));
    SEditorValue shifted;
    ASSERT_TRUE(EditorReadKey(*Prop(kPaint, ORV_PROP_ALPHA), 0, shifted));
    EXPECT_FLOAT_EQ(std::get<float>(shifted), 1.1f);
}

TEST_F(EditorCommand, MovingKeysThatAreNotThereFailsAndChangesNothing)
{
    std::string sError;
    const SEditorPropRef position = PropRefOf(m_Document, kFirst, ORV_PROP_TRANSLATION);
    EXPECT_FALSE(m_Document.Execute(EditorMoveKeys({{position, 5}}, 3), sError));
    EXPECT_FALSE(sError.empty());
    EXPECT_FALSE(m_Document.CanUndo());
    EXPECT_FALSE(m_Document.Execute(EditorSetValue({kFirst, 999}, 0.0f, 1.0f), sError));
    EXPECT_FALSE(m_Document.Execute(EditorDelete({EEditorList::Layers, 99}), sError));
    EXPECT_FALSE(m_Document.Execute(EditorDelete({EEditorList::Music, 0}), sError));
    EXPECT_FALSE(m_Document.Execute(nullptr, sError));
    EXPECT_EQ(SaveTextOf(m_Document), m_sOpened);
    EXPECT_FALSE(m_Document.IsModified());
}

TEST_F(EditorCommand, PastedKeysKeepTheirSpacingFromThePlayhead)
{
    const SEditorPropRef position = PropRefOf(m_Document, kFirst, ORV_PROP_TRANSLATION);
    CEditorClipboard clipboard;
    ASSERT_EQ(clipboard.CopyKeys(Demo(), {{position, 16}, {position, 32}, {position, 3}}), 2u);
    // Later edits do not change what was copied.
    std::string sError;
    ASSERT_TRUE(m_Document.Execute(EditorDeleteKeys({{position, 16}}), sError));
    m_Document.Undo();
    EXPECT_EQ(clipboard.GetPastedKeys(100),
              (std::vector<SEditorKeyRef>{{position, 100}, {position, 116}}));
    RunAndCheckUndo(EditorPasteKeys(clipboard, 100));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 100), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(VectorKey(Prop(kFirst, ORV_PROP_TRANSLATION), 116), D3DXVECTOR3(4, 5, 6));

    CEditorClipboard empty;
    EXPECT_EQ(empty.CopyKeys(Demo(), {{position, 7}}), 0u);
    EXPECT_FALSE(m_Document.Execute(EditorPasteKeys(empty, 0), sError));
}

TEST_F(EditorCommand, EveryFactoryKindIsAddedNamedByItsRuleAndRemovedByUndo)
{
    for (size_t i = 0; i < static_cast<size_t>(EEditorFactory::Count); ++i)
    {
        const auto eFactory = static_cast<EEditorFactory>(i);
        RunAndCheckUndo(EditorAddObject(eFactory, 0.0f));
        SEditorObjectRef added;
        ASSERT_TRUE(m_Document.GetLastAffected(added));
        EXPECT_EQ(added.eList,
                  EditorFactoryIsLayer(eFactory) ? EEditorList::Layers : EEditorList::Resources);
        EXPECT_FALSE(Object(added)->GetName().empty());
        EXPECT_NE(Object(added)->GetName(), "Mon nom") << EditorFactoryLabel(eFactory);
        m_Document.Undo();
    }
}

TEST_F(EditorCommand, ANewMaterialIsKeyedVisibleAtItsFrameInOneStep)
{
    COrvPropBase::SetFrame(5.0f);
    RunAndCheckUndo(EditorAddObject(EEditorFactory::ResMaterial, 64.5f));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
    SEditorObjectRef added;
    ASSERT_TRUE(m_Document.GetLastAffected(added));
    const COrvPropBase* pAlpha = Prop(added, ORV_PROP_ALPHA);
    // The engine's own key of 0 at the frame it was made, replaced by 1.
    ASSERT_EQ(pAlpha->GetTrack().size(), 1u);
    EXPECT_EQ(pAlpha->GetTrack().begin()->first, 64);
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*pAlpha, 64.0f, value));
    EXPECT_EQ(std::get<float>(value), 1.0f);
    EXPECT_EQ(COrvPropBase::m_siFrame, 5.0f);
    // Undone and redone, it is the same material with the same name.
    const std::string sName = Object(added)->GetName();
    m_Document.Undo();
    m_Document.Redo();
    EXPECT_EQ(Object(added)->GetName(), sName);
}

TEST_F(EditorCommand, RenameDuplicateAndDeleteKeepTheObjectsAndTheirPlaces)
{
    RunAndCheckUndo(EditorRename(kFirst, "renamed"));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"renamed", "second", "third"}));
    m_Document.Undo();

    COrvModifiable* pFirst = Object(kFirst);
    RunAndCheckUndo(EditorDuplicate(kFirst));
    ASSERT_EQ(Demo().GetLayers().size(), 4u);
    EXPECT_EQ(Demo().GetLayers()[0], pFirst);
    EXPECT_EQ(Demo().GetLayers()[1]->GetClass(), "COrvLayerSprite");
    EXPECT_EQ(Demo().GetLayers()[1]->GetName().rfind("sprite image ", 0), 0u);
    EXPECT_EQ(Demo().GetLayers()[2]->GetName(), "second");
    m_Document.Undo();

    const SEditorObjectRef second{EEditorList::Layers, 1};
    COrvModifiable* pSecond = Object(second);
    RunAndCheckUndo(EditorDelete(second));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"first", "third"}));
    m_Document.Undo();
    EXPECT_EQ(Object(second), pSecond) << "undo puts back the very same object";

    RunAndCheckUndo(EditorDelete(kPaint));
    EXPECT_EQ(Demo().GetResourceByName("paint"), nullptr);
}

TEST_F(EditorCommand, SeveralSelectedObjectsAreDeletedAndDuplicatedInOneStep)
{
    const SEditorObjectRef third{EEditorList::Layers, 2};
    const SEditorObjectRef music{EEditorList::Music, 0};
    // In selection order, the music among them (it is not deleted), a layer named twice.
    RunAndCheckUndo(EditorDeleteAll({kFirst, kPaint, third, music, kFirst}));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"second"}));
    EXPECT_EQ(Demo().GetResourceByName("paint"), nullptr);
    EXPECT_NE(Demo().GetResourceByName("picture"), nullptr);
    m_Document.Undo();

    RunAndCheckUndo(EditorDuplicateAll({kFirst, third}));
    const std::vector<std::string> names = LayerNames();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "first");
    EXPECT_EQ(names[2], "second");
    EXPECT_EQ(names[3], "third");
    EXPECT_EQ(Demo().GetLayers()[1]->GetClass(), "COrvLayerSprite");
    EXPECT_EQ(Demo().GetLayers()[4]->GetClass(), "COrvLayerPPBloom");
}

TEST_F(EditorCommand, AGroupWhosePartFailsLeavesTheDocumentAsItWas)
{
    std::vector<EditorCommandPtr> commands;
    commands.push_back(EditorRename(kFirst, "renamed"));
    commands.push_back(EditorDelete({EEditorList::Layers, 2}));
    commands.push_back(EditorDelete({EEditorList::Layers, 7})); // no such layer
    std::string sError;
    EXPECT_FALSE(m_Document.Execute(EditorGroup(std::move(commands), "three"), sError));
    EXPECT_FALSE(sError.empty());
    EXPECT_EQ(SaveTextOf(m_Document), m_sOpened);
    EXPECT_FALSE(m_Document.IsModified());
}

TEST_F(EditorCommand, ReorderFollowsTheDocumentsCutAndPaste)
{
    // Before the object now at an index; the list's size: at the end.
    RunAndCheckUndo(EditorReorder(kFirst, 3));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"second", "third", "first"}));
    m_Document.Undo();
    RunAndCheckUndo(EditorReorder({EEditorList::Layers, 2}, 0));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"third", "first", "second"}));
    m_Document.Undo();
    RunAndCheckUndo(EditorReorder(kFirst, 2));
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"second", "first", "third"}));

    // The same order as the document's own cut and paste gives.
    COrvDemo& demo = Demo();
    m_Document.Undo();
    demo.CutModifiable(demo.GetLayers()[0]);
    demo.PasteModifiableBefore(demo.GetLayers()[1]);
    EXPECT_EQ(LayerNames(), (std::vector<std::string>{"second", "first", "third"}));

    // Onto its own place: nothing to keep.
    std::string sError;
    const size_t uSteps = m_Document.GetHistory().GetUndoCount();
    ASSERT_TRUE(m_Document.Execute(EditorReorder(kFirst, 1), sError));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), uSteps);
}

TEST_F(EditorCommand, ShowHideMusicAndTempo)
{
    RunAndCheckUndo(EditorSetVisible(kFirst, 10.0f, false));
    EXPECT_FALSE(static_cast<COrvLayer*>(Object(kFirst))->IsVisible());
    m_Document.Undo();
    EXPECT_TRUE(static_cast<COrvLayer*>(Object(kFirst))->IsVisible());

    RunAndCheckUndo(EditorSetTempo(140.0f));
    EXPECT_EQ(Demo().GetMusic()->GetBPM(), 140.0f);
    m_Document.Undo();
    EXPECT_EQ(Demo().GetMusic()->GetBPM(), 120.0f);
    RunAndCheckUndo(EditorSetMusicFile("other.ogg"));
}

TEST_F(EditorCommand, AnimableAndRestoredStates)
{
    const SEditorPropRef position = PropRefOf(m_Document, kFirst, ORV_PROP_TRANSLATION);
    RunAndCheckUndo(EditorSetAnimable(position, false));
    EXPECT_FALSE(Prop(kFirst, ORV_PROP_TRANSLATION)->GetAnimable());
    m_Document.Undo();

    const std::string sBefore = EditorSaveObject(*Object(kFirst));
    std::string sError;
    ASSERT_TRUE(m_Document.Execute(EditorDeleteKeys({{position, 16}, {position, 32}}), sError));
    const std::string sAfter = EditorSaveObject(*Object(kFirst));
    m_Document.Undo();
    RunAndCheckUndo(EditorRestoreObject(kFirst, sBefore, sAfter, "Restore"));
    EXPECT_TRUE(Prop(kFirst, ORV_PROP_TRANSLATION)->GetTrack().empty());
}

TEST_F(EditorCommand, ADragIsOneStepAtItsFrame)
{
    // The grid is flown through by drags, with or without a device.
    const SEditorObjectRef grid{EEditorList::Layers, 1};
    COrvPropBase::SetFrame(2.0f);
    ASSERT_TRUE(m_Document.BeginDrag(grid, 48.0f, 10.0f, 10.0f));
    EXPECT_TRUE(m_Document.IsDragging());
    for (int i = 1; i <= 5; ++i)
        m_Document.MoveDrag(10.0f + 4.0f * i, 10.0f - 2.0f * i, i < 3 ? MOUSE_LEFT : MOUSE_RIGHT);
    std::string sError;
    EXPECT_FALSE(m_Document.Execute(EditorRename(kFirst, "x"), sError)) << "not during a drag";
    ASSERT_TRUE(m_Document.EndDrag(30.0f, 0.0f, sError)) << sError;
    EXPECT_EQ(COrvPropBase::m_siFrame, 2.0f);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
    const std::string sDragged = SaveTextOf(m_Document);
    EXPECT_NE(sDragged, m_sOpened);
    EXPECT_EQ(Prop(grid, ORV_PROP_ROTATION)->GetTrack().count(48), 1u);
    EXPECT_EQ(Prop(grid, ORV_PROP_TRANSLATION)->GetTrack().count(48), 1u);
    ASSERT_TRUE(m_Document.Undo());
    EXPECT_EQ(SaveTextOf(m_Document), m_sOpened);
    ASSERT_TRUE(m_Document.Redo());
    EXPECT_EQ(SaveTextOf(m_Document), sDragged);

    // A drag that moves nothing leaves no step; one on a resource does not start.
    ASSERT_TRUE(m_Document.BeginDrag(grid, 48.0f, 10.0f, 10.0f));
    ASSERT_TRUE(m_Document.EndDrag(10.0f, 10.0f, sError));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
    EXPECT_FALSE(m_Document.BeginDrag(kPaint, 0.0f, 0.0f, 0.0f));
    EXPECT_FALSE(m_Document.EndDrag(0.0f, 0.0f, sError));
}

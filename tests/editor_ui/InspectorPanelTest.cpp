// The inspector on the sample demo: values edited by typing, by dragging and through the key
// buttons land where the engine's rule puts them (a key at the current frame for an animable
// property, the default otherwise), each edit one undo step; what cannot be read is refused
// with the reason.
#include "PanelHarness.h"

#include "OrvTestDemo.h"
#include "PropertyKind.h"

#include <imgui_internal.h>

#include <map>

namespace
{
class InspectorPanelTest : public CPanelTest
{
protected:
    std::function<void()> Draw()
    {
        return [this] { DrawInspectorPanel(m_Context); };
    }

    SEditorObjectRef Select(const std::string& sClass)
    {
        const SEditorObjectRef ref{EEditorList::Resources, FirstOfClass(sClass)};
        m_Selection.SelectObject(ref);
        return ref;
    }

    const SPanelPropertyRow& Row(const SEditorPropRef& prop)
    {
        for (const SPanelPropertyRow& row : State().vPropertyRows)
            if (row.prop == prop)
                return row;
        ADD_FAILURE() << "no row for property " << prop.uProp;
        return State().vPropertyRows.front();
    }

    // Ctrl+click on the value, type, Enter.
    void TypeValue(const SEditorPropRef& prop, const std::string& sText)
    {
        m_Ui.Frame(Draw());
        const SPanelPropertyRow& row = Row(prop);
        m_Ui.SetModifiers(true, false, false);
        m_Ui.MoveTo(Centre(row.valueMin, row.valueMax), Draw());
        m_Ui.Press(Draw());
        m_Ui.SetModifiers(false, false, false);
        m_Ui.Release(Draw());
        ASSERT_TRUE(State().bTyping);
        m_Ui.Frames(2, Draw());
        m_Ui.Type(sText, Draw());
        m_Ui.Key(ImGuiKey_Enter, Draw());
        EXPECT_FALSE(State().bTyping);
    }

    std::map<int, float> FloatKeys(const COrvPropBase& prop)
    {
        std::map<int, float> keys;
        for (const auto& entry : prop.GetTrack())
        {
            SEditorValue value;
            EXPECT_TRUE(EditorReadKey(prop, entry.first, value));
            keys[entry.first] = std::get<float>(value);
        }
        return keys;
    }
};
} // namespace

TEST_F(InspectorPanelTest, EveryPropertyOfTheSelectionInTheObjectsOrder)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    m_Ui.Frame(Draw());
    const COrvPropList& vProps = EditorFindObject(Demo(), material)->GetProperties();
    ASSERT_EQ(State().vPropertyRows.size(), vProps.size());
    for (size_t i = 0; i < vProps.size(); ++i)
    {
        EXPECT_EQ(State().vPropertyRows[i].prop, (SEditorPropRef{material, i}));
        if (i > 0)
        {
            EXPECT_GT(State().vPropertyRows[i].valueMin.y, State().vPropertyRows[i - 1].valueMin.y);
        }
    }
    m_Selection.Clear();
    m_Ui.Frame(Draw());
    EXPECT_TRUE(State().vPropertyRows.empty());
}

TEST_F(InspectorPanelTest, ATypedValueWritesAKeyAtTheCurrentFrameTruncated)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef alpha;
    COrvPropBase* pAlpha = Prop(material, ORV_PROP_ALPHA, &alpha);
    ASSERT_NE(pAlpha, nullptr);
    std::map<int, float> keys = FloatKeys(*pAlpha);
    ASSERT_EQ(keys.count(37), 0u);
    m_Context.fFrame = 37.75f;
    TypeValue(alpha, "0.25");
    keys[37] = 0.25f;
    EXPECT_EQ(FloatKeys(*pAlpha), keys);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);

    // The slider's range bounds the slider, not what is typed.
    TypeValue(alpha, "1.5");
    keys[37] = 1.5f;
    EXPECT_EQ(FloatKeys(*pAlpha), keys);
    EXPECT_NE(Status().find("outside the slider's range (0 to 1)"), std::string::npos) << Status();
    EXPECT_EQ(COrvPropBase::m_siFrame, 0.0f); // the engine's frame did not move
}

TEST_F(InspectorPanelTest, WhatCannotBeReadKeepsTheOldValueAndSaysWhy)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef alpha;
    COrvPropBase* pAlpha = Prop(material, ORV_PROP_ALPHA, &alpha);
    const std::map<int, float> keys = FloatKeys(*pAlpha);
    m_Context.fFrame = 40.0f;
    TypeValue(alpha, "0.5x");
    EXPECT_EQ(FloatKeys(*pAlpha), keys);
    EXPECT_FALSE(m_Document.CanUndo());
    EXPECT_NE(Status().find("Alpha"), std::string::npos) << Status();
    EXPECT_NE(Status().find("not a number"), std::string::npos) << Status();

    TypeValue(alpha, "1e40");
    EXPECT_EQ(FloatKeys(*pAlpha), keys);
    EXPECT_NE(Status().find("too large"), std::string::npos) << Status();
}

TEST_F(InspectorPanelTest, ANotAnimableValueChangesItsDefault)
{
    const SEditorObjectRef target = Select("COrvResRenderTarget");
    SEditorPropRef width;
    COrvPropBase* pWidth = Prop(target, ORV_PROP_WIDTH, &width);
    ASSERT_NE(pWidth, nullptr);
    ASSERT_FALSE(pWidth->GetAnimable());
    m_Context.fFrame = 100.0f;
    TypeValue(width, "256");
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*pWidth, 0.0f, value));
    EXPECT_EQ(std::get<int>(value), 256);
    EXPECT_TRUE(pWidth->GetTrack().empty());

    TypeValue(width, "99999999999");
    ASSERT_TRUE(EditorReadValueAt(*pWidth, 0.0f, value));
    EXPECT_EQ(std::get<int>(value), 256);
    EXPECT_NE(Status().find("2147483647"), std::string::npos) << Status();
}

TEST_F(InspectorPanelTest, DraggingASliderIsOneUndoStep)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef specular;
    COrvPropBase* pSpecular = Prop(material, ORV_PROP_SPECULAR, &specular);
    ASSERT_NE(pSpecular, nullptr);
    m_Context.fFrame = 20.0f;
    m_Ui.Frame(Draw());
    const SPanelPropertyRow row = Row(specular);
    const float fY = (row.valueMin.y + row.valueMax.y) * 0.5f;
    m_Ui.Drag(ImVec2(row.valueMin.x + 10.0f, fY), ImVec2(row.valueMax.x - 10.0f, fY), Draw(), 8);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
    SEditorValue value;
    ASSERT_TRUE(EditorReadKey(*pSpecular, 20, value));
    EXPECT_GT(std::get<float>(value), 0.9f);
    m_Document.Undo();
    EXPECT_EQ(pSpecular->GetTrack().count(20), 0u);
}

TEST_F(InspectorPanelTest, TheKeyButtonAddsTheValueThereAndDeletesAKeyThere)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef alpha;
    COrvPropBase* pAlpha = Prop(material, ORV_PROP_ALPHA, &alpha);
    m_Context.fFrame = 50.5f;
    SEditorValue evaluated;
    ASSERT_TRUE(EditorReadValueAt(*pAlpha, 50.0f, evaluated));
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(Row(alpha).keyMin, Row(alpha).keyMax), Draw());
    SEditorValue key;
    ASSERT_TRUE(EditorReadKey(*pAlpha, 50, key));
    EXPECT_FLOAT_EQ(std::get<float>(key), std::get<float>(evaluated));

    m_Ui.Click(Centre(Row(alpha).keyMin, Row(alpha).keyMax), Draw());
    EXPECT_FALSE(EditorReadKey(*pAlpha, 50, key));
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 2u);
}

TEST_F(InspectorPanelTest, ArrowsBesideTheKeyButtonGoToThePreviousAndNextKey)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef alpha;
    COrvPropBase* pAlpha = Prop(material, ORV_PROP_ALPHA, &alpha);
    std::string sError;
    // Far after the sample's own keys.
    ASSERT_TRUE(m_Document.Execute(EditorAddKey(alpha, 100000, 0.5f), sError)) << sError;
    ASSERT_TRUE(m_Document.Execute(EditorAddKey(alpha, 100200, 0.7f), sError)) << sError;
    m_Context.fFrame = 100100.0f;
    m_Ui.Frame(Draw());
    const SPanelPropertyRow row = Row(alpha);
    const float fArrow = row.keyMax.x - row.keyMin.x;
    const float fY = (row.keyMin.y + row.keyMax.y) * 0.5f;
    m_Ui.Click(ImVec2(row.keyMin.x - 2.0f - fArrow * 0.5f, fY), Draw());
    EXPECT_EQ(m_Context.fFrame, 100000.0f);
    m_Ui.Frame(Draw());
    m_Ui.Click(ImVec2(Row(alpha).keyMax.x + 2.0f + fArrow * 0.5f, fY), Draw());
    EXPECT_EQ(m_Context.fFrame, 100200.0f);
    ASSERT_NE(pAlpha, nullptr);
}

TEST_F(InspectorPanelTest, AReferenceIsChosenFromTheResourcesOfItsKind)
{
    const SEditorObjectRef sprite{EEditorList::Layers, 0};
    ASSERT_EQ(Demo().GetLayers()[0]->GetClass(), "COrvLayerSprite");
    m_Selection.SelectObject(sprite);
    SEditorPropRef material;
    COrvPropBase* pMaterial = Prop(sprite, ORV_PROP_MATERIAL_NAME, &material);
    ASSERT_NE(pMaterial, nullptr);
    const std::vector<std::string> vChoices =
        ResourceChoices(Demo(), ClassifyProperty(*pMaterial, "COrvLayerSprite"));
    ASSERT_GE(vChoices.size(), 3u);
    m_Context.fFrame = 8.0f;
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(Row(material).valueMin, Row(material).valueMax), Draw());
    // The third entry: the second material of the demo.
    ASSERT_TRUE(m_Ui.ClickPopupEntry(2, Draw()));
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*pMaterial, 8.0f, value));
    EXPECT_EQ(std::get<std::string>(value), vChoices[2]);
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(InspectorPanelTest, AnOrientationIsTypedAsYawPitchRollInDegrees)
{
    const SEditorObjectRef sprite{EEditorList::Layers, 0};
    m_Selection.SelectObject(sprite);
    SEditorPropRef rotation;
    COrvPropBase* pRotation = Prop(sprite, ORV_PROP_ROTATION, &rotation);
    ASSERT_NE(pRotation, nullptr);
    m_Context.fFrame = 3000.0f;
    TypeValue(rotation, "90 0 0");
    SEditorValue value;
    ASSERT_TRUE(EditorReadKey(*pRotation, 3000, value));
    D3DXQUATERNION expected;
    D3DXQuaternionRotationYawPitchRoll(&expected, 3.14159265f / 2.0f, 0.0f, 0.0f);
    const D3DXQUATERNION typed = std::get<D3DXQUATERNION>(value);
    EXPECT_NEAR(typed.x, expected.x, 1e-5f);
    EXPECT_NEAR(typed.y, expected.y, 1e-5f);
    EXPECT_NEAR(typed.z, expected.z, 1e-5f);
    EXPECT_NEAR(typed.w, expected.w, 1e-5f);

    TypeValue(rotation, "90 0");
    EXPECT_NE(Status().find("three numbers"), std::string::npos) << Status();
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(InspectorPanelTest, TheFilePickerListsTheDataFoldersFilesOfTheKind)
{
    const SEditorObjectRef image = Select("COrvResImage");
    SEditorPropRef file;
    COrvPropBase* pFile = Prop(image, ORV_PROP_FILENAME, &file);
    ASSERT_NE(pFile, nullptr);
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(Row(file).valueMin, Row(file).valueMax), Draw());
    m_Ui.Frame(Draw());
    EXPECT_EQ(State().vPickerFiles.front(), "atelier.png"); // sorted, pictures only
    for (const std::string& sName : State().vPickerFiles)
        EXPECT_TRUE(IsDataFileOfKind(sName, EDataFileKind::Image)) << sName;
    // The list sits in a child of the popup, under the filter.
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ASSERT_FALSE(g.OpenPopupStack.empty());
    ASSERT_FALSE(g.OpenPopupStack.back().Window->DC.ChildWindows.empty());
    const ImVec2 first = g.OpenPopupStack.back().Window->DC.ChildWindows[0]->DC.CursorStartPos;
    m_Ui.Click(ImVec2(first.x + 10.0f, first.y + 6.0f), Draw());
    SEditorValue value;
    ASSERT_TRUE(EditorReadValueAt(*pFile, 0.0f, value));
    EXPECT_EQ(std::get<std::string>(value), "atelier.png");
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(InspectorPanelTest, EditingTheNameRenamesTheObject)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef name;
    ASSERT_NE(Prop(material, ORV_PROP_NAME, &name), nullptr);
    m_Ui.Frame(Draw());
    m_Ui.Click(Centre(Row(name).valueMin, Row(name).valueMax), Draw());
    m_Ui.SetModifiers(true, false, false);
    m_Ui.Key(ImGuiKey_A, Draw()); // all the text, replaced by what is typed
    m_Ui.SetModifiers(false, false, false);
    m_Ui.Type("glass", Draw());
    m_Ui.Key(ImGuiKey_Enter, Draw());
    EXPECT_EQ(EditorFindObject(Demo(), material)->GetName(), "glass");
    EXPECT_EQ(m_Document.GetHistory().GetUndoCount(), 1u);
}

TEST_F(InspectorPanelTest, TypingIsDroppedWhenTheObjectIsNoLongerShown)
{
    const SEditorObjectRef material = Select("COrvResMaterial");
    SEditorPropRef alpha;
    ASSERT_NE(Prop(material, ORV_PROP_ALPHA, &alpha), nullptr);
    m_Ui.Frame(Draw());
    m_Ui.SetModifiers(true, false, false);
    m_Ui.Click(Centre(Row(alpha).valueMin, Row(alpha).valueMax), Draw());
    m_Ui.SetModifiers(false, false, false);
    ASSERT_TRUE(State().bTyping);
    m_Selection.SelectObject(SEditorObjectRef{EEditorList::Layers, 0});
    m_Ui.Frame(Draw());
    EXPECT_FALSE(State().bTyping);
    m_Selection.SelectObject(material);
    m_Ui.Frame(Draw());
    EXPECT_FALSE(State().bTyping);
    EXPECT_FALSE(m_Document.CanUndo());
}

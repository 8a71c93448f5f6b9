// The selection of objects and keys, and values as text.
#include "EditorSelection.h"
#include "EditorTestDemo.h"

#include <gtest/gtest.h>

TEST(EditorSelection, ObjectsAndTheirKeys)
{
    CEditorSelection selection;
    const SEditorObjectRef a{EEditorList::Layers, 0};
    const SEditorObjectRef b{EEditorList::Resources, 2};
    SEditorObjectRef primary;
    EXPECT_FALSE(selection.GetPrimary(primary));
    selection.SelectObject(a);
    selection.SelectKey({{a, 3}, 16});
    selection.ToggleObject(b);
    EXPECT_TRUE(selection.IsSelected(b));
    ASSERT_TRUE(selection.GetPrimary(primary));
    EXPECT_EQ(primary, a);
    selection.AddKeys({{{b, 1}, 8}, {{a, 3}, 16}});
    EXPECT_EQ(selection.GetKeys().size(), 2u);
    selection.MoveKeys(4);
    EXPECT_TRUE(selection.IsSelected(SEditorKeyRef{{a, 3}, 20}));
    // Deselecting an object drops its keys.
    selection.ToggleObject(a);
    EXPECT_FALSE(selection.IsSelected(a));
    EXPECT_EQ(selection.GetKeys(), (std::vector<SEditorKeyRef>{{{b, 1}, 12}}));
    selection.ToggleKey({{b, 1}, 12});
    EXPECT_TRUE(selection.GetKeys().empty());
    selection.Clear();
    EXPECT_TRUE(selection.GetObjects().empty());
}

TEST(EditorSelection, PruneDropsWhatTheDocumentNoLongerHas)
{
    CEditorTestFolder folder("editor_selection");
    folder.Write(OrvGenerateDemoText(2, 4));
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    const SEditorPropRef position =
        PropRefOf(document, {EEditorList::Layers, 1}, ORV_PROP_TRANSLATION);
    CEditorSelection selection;
    selection.SelectObject({EEditorList::Layers, 1});
    selection.ToggleObject({EEditorList::Layers, 7});
    selection.AddKeys({{position, 0}, {position, 4}, {position, 5}});
    selection.Prune(document.GetDemo());
    EXPECT_EQ(selection.GetObjects(), (std::vector<SEditorObjectRef>{{EEditorList::Layers, 1}}));
    EXPECT_EQ(selection.GetKeys(), (std::vector<SEditorKeyRef>{{position, 0}, {position, 4}}));
}

TEST(EditorValues, TextsParseIntoTheValuesTypeOrSayWhy)
{
    std::string sError;
    SEditorValue value = 1.5f;
    EXPECT_TRUE(EditorValueFromText("2.25", value, sError));
    EXPECT_EQ(std::get<float>(value), 2.25f);
    EXPECT_FALSE(EditorValueFromText("2.2x", value, sError));
    EXPECT_FALSE(EditorValueFromText("nan", value, sError));
    EXPECT_FALSE(EditorValueFromText("", value, sError));
    EXPECT_EQ(std::get<float>(value), 2.25f) << "the old value stays";
    EXPECT_NE(sError.find("number"), std::string::npos);

    value = 3;
    EXPECT_TRUE(EditorValueFromText("-7", value, sError));
    EXPECT_EQ(std::get<int>(value), -7);
    EXPECT_FALSE(EditorValueFromText("1.5", value, sError));
    EXPECT_FALSE(EditorValueFromText("99999999999", value, sError));

    value = D3DXVECTOR3(0, 0, 0);
    EXPECT_TRUE(EditorValueFromText("1 2.5 -3", value, sError));
    EXPECT_EQ(std::get<D3DXVECTOR3>(value), D3DXVECTOR3(1, 2.5f, -3));
    EXPECT_FALSE(EditorValueFromText("1 2", value, sError));
    EXPECT_FALSE(EditorValueFromText("1 2 3 4", value, sError));

    value = true;
    EXPECT_TRUE(EditorValueFromText("false", value, sError));
    EXPECT_FALSE(std::get<bool>(value));
    EXPECT_FALSE(EditorValueFromText("maybe", value, sError));

    value = std::string("a");
    EXPECT_TRUE(EditorValueFromText("any text at all", value, sError));
    EXPECT_EQ(EditorValueToText(value), "any text at all");
    EXPECT_EQ(EditorValueToText(SEditorValue(D3DXVECTOR3(1, 2, 3))), "1 2 3");
}

// The model on a document that is drawn, with the recording device: edits and their undo are
// the same, and what the engine makes by itself while drawing is named, not undone.
#include "EditorCommands.h"
#include "EditorTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

namespace
{
// A demo whose mesh resource brings the materials of its file when it loads on a device.
const char* const kMeshDemo =
    "<OrvDemo version=\"1\"><Resources>"
    "<COrvResObject3D><Prop4 bAnimable=\"0\" defaultValue=\"knot\"/>"
    "<Prop5 bAnimable=\"0\" defaultValue=\"knot.x\"/></COrvResObject3D>"
    "</Resources><Layers>"
    "<COrvLayerGrid><Prop4 bAnimable=\"0\" defaultValue=\"grid\"/></COrvLayerGrid>"
    "</Layers></OrvDemo>";
} // namespace

TEST(EditorDrawn, EditsOfADrawnDocumentUndoToItsTextOnceDrawn)
{
    CEditorTestFolder folder("editor_drawn");
    folder.FillWithSample();
    CRecordingDevice device(1280, 720);
    // What the engine keeps of the device after a plain document of the sample is drawn and
    // gone: the editor's document must leave no more.
    int iEngineKeeps = 0;
    {
        CEditorDocument plain;
        plain.SetDevice(&device);
        std::string sError;
        ASSERT_TRUE(plain.Open(folder.Path().string(), sError)) << sError;
        plain.GetDemo().DrawFrame(0.0f);
        plain.SetDevice(nullptr);
    }
    iEngineKeeps = device.GetLiveObjects();
    std::string sError;
    {
        CEditorDocument document;
        document.SetDevice(&device);
        ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
        document.GetDemo().DrawFrame(0.0f);
        const std::string sDrawn = document.GetSaveText();
        const SEditorObjectRef layer{EEditorList::Layers, 3};
        ASSERT_TRUE(
            document.Execute(EditorSetValue(PropRefOf(document, layer, ORV_PROP_TRANSLATION), 32.0f,
                                            D3DXVECTOR3(1, 1, 1)),
                             sError));
        ASSERT_TRUE(document.Execute(EditorDuplicate(layer), sError)) << sError;
        ASSERT_TRUE(document.Execute(EditorReorder(layer, 0), sError)) << sError;
        ASSERT_TRUE(document.Execute(EditorDelete({EEditorList::Resources, 2}), sError)) << sError;
        document.GetDemo().DrawFrame(40.0f);
        const std::string sEdited = document.GetSaveText();
        while (document.Undo())
            document.GetDemo().DrawFrame(10.0f);
        EXPECT_EQ(document.GetSaveText(), sDrawn);
        while (document.Redo())
        {
        }
        EXPECT_EQ(document.GetSaveText(), sEdited);
        document.SetDevice(nullptr);
        // The deleted resource, held by the history, holds nothing of the device: a host may
        // release its device before the document.
        EXPECT_EQ(device.GetLiveObjects(), iEngineKeeps);
    }
    EXPECT_EQ(device.GetLiveObjects(), iEngineKeeps)
        << "deleted objects the history held are given back with it";
    COrvPropBase::SetFrame(0.0f);
}

TEST(EditorDrawn, WhatTheEngineMakesWhileDrawingIsNamedAndLeftInPlace)
{
    CEditorTestFolder folder("editor_engine_made");
    folder.Write(kMeshDemo);
    std::filesystem::copy_file(std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier" /
                                   "data" / "knot.x",
                               folder.Path() / "data" / "knot.x");
    CRecordingDevice device(640, 360);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    const std::string sOpened = document.GetSaveText();
    EXPECT_TRUE(document.DescribeEngineMade().empty());

    // The mesh is drawn once a device is there: its file's materials join the resources.
    ASSERT_TRUE(document.Execute(EditorRename({EEditorList::Layers, 0}, "grid 2"), sError));
    document.SetDevice(&device);
    document.GetDemo().DrawFrame(0.0f);
    const size_t uMade = document.GetDemo().GetResources().size() - 1;
    if (uMade == 0)
        GTEST_SKIP() << "the mesh brought no materials on this device";
    ASSERT_TRUE(document.Undo());
    EXPECT_NE(document.DescribeEngineMade().find("knot.x_mat0"), std::string::npos)
        << document.DescribeEngineMade();
    EXPECT_EQ(document.GetDemo().GetResources().size(), 1 + uMade) << "left in place";
    EXPECT_NE(document.GetSaveText(), sOpened);
    document.SetDevice(nullptr);
}

#pragma once
// The document an editor works on: a demo folder (demo.orv and data/), the engine's demo read
// from it, and the history of the changes made since. Every change goes through Execute, so
// that undo and redo can take it back; the engine's objects are read directly.

#include "EditorCommands.h"
#include "EditorHistory.h"
#include "EditorPropChanges.h"

#include "document/OrvLoadProblem.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class COrvDemo;
class COrvLayer;
class COrvResource;
struct IDirect3DDevice9;

class CEditorDocument
{
public:
    CEditorDocument();
    ~CEditorDocument();
    CEditorDocument(const CEditorDocument&) = delete;
    CEditorDocument& operator=(const CEditorDocument&) = delete;

    // Reads FOLDER/demo.orv (data files in FOLDER/data). On failure the document is left as it
    // was and sError says why. Problems the engine met reading it do not fail the opening:
    // GetOpenProblems lists them.
    bool Open(const std::string& sFolder, std::string& sError);
    // Makes the folder (and data/) if needed and writes an empty demo.orv there; refuses a
    // folder that already holds a demo.orv.
    bool CreateNew(const std::string& sFolder, std::string& sError);
    // Reads the file again (after a change made outside); the history is cleared.
    bool Reload(std::string& sError);
    bool IsOpen() const;

    // The device every demo this document opens is given (null: none, the model works without).
    void SetDevice(IDirect3DDevice9* pDevice);

    COrvDemo& GetDemo() { return *m_pDemo; }
    const COrvDemo& GetDemo() const { return *m_pDemo; }
    const std::string& GetFolder() const { return m_sFolder; }
    // FOLDER/demo.orv.
    std::string GetDemoPath() const;
    // What the engine could not use when it read the document, each naming its file and line
    // (and the object when known).
    const std::vector<ORV_LoadProblem>& GetOpenProblems() const { return m_OpenProblems; }

    // Writes demo.orv atomically: a temporary file in the folder, flushed, then renamed over
    // the old one, which is kept first as demo.orv.bak. On failure the file on disk and the
    // document stay as they were and sError says why.
    bool Save(std::string& sError);
    bool IsModified() const;
    // Save text of the document now (what Save would write).
    std::string GetSaveText();

    // The recovery copy (FOLDER/.demo.orv.recovery), written by the shell while there are
    // unsaved changes and removed when the document is saved or closed cleanly.
    bool WriteRecovery(std::string& sError);
    static bool HasRecovery(const std::string& sFolder);
    static std::string GetRecoveryPath(const std::string& sFolder);
    // Opens the folder with the recovery copy's content; the document then counts as modified.
    bool OpenRecovery(const std::string& sFolder, std::string& sError);
    void DiscardRecovery();

    // The timeline's bookmarks (sorted frames), kept beside the demo in FOLDER/.demo.orv.bookmarks
    // (the demo's file format has no place for them); read when the document opens. Setting
    // them writes the file at once (removed when there are none); on failure the bookmarks are
    // set all the same and sError says why they were not kept.
    const std::vector<int>& GetBookmarks() const { return m_vBookmarks; }
    bool SetBookmarks(std::vector<int> vFrames, std::string& sError);
    static std::string GetBookmarksPath(const std::string& sFolder);

    // For a file the engine read only in part: what a save would drop, one line each (elements
    // the engine does not know, attributes it ignores, values it rewrites). Empty when the file
    // on disk would be written back whole.
    std::vector<std::string> CompareWithSave();

    // Applies the command and keeps it in the history; false (the document unchanged, the
    // command dropped) with the reason when it cannot be applied.
    bool Execute(EditorCommandPtr pCommand, std::string& sError);
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_History.CanUndo(); }
    bool CanRedo() const { return m_History.CanRedo(); }
    CEditorHistory& GetHistory() { return m_History; }
    const CEditorHistory& GetHistory() const { return m_History; }
    // The object the last Execute, Undo or Redo concerned, to select it; false if none.
    bool GetLastAffected(SEditorObjectRef& ref) const;
    // What the engine made by itself since opening (resources a mesh makes when its file
    // loads): undo does not take these away. Empty when there are none.
    std::string DescribeEngineMade() const;

    // A pointer drag over the view on a layer, at a frame, in output pixels: the layer's
    // MouseDown, MouseMove (with the key-state bits of the buttons held), MouseUp. The whole
    // drag is one undo step, kept when it ends (if it changed anything).
    bool BeginDrag(const SEditorObjectRef& layer, float fFrame, float fX, float fY);
    void MoveDrag(float fX, float fY, DWORD uFlags);
    bool EndDrag(float fX, float fY, std::string& sError);
    bool IsDragging() const { return m_Drag.bActive; }

    // For tests: a failure injected into the next writes of Save (the stage named: "write",
    // "flush", "backup", "rename"); empty for none.
    void SetWriteFailureForTest(std::string sStage) { m_sFailStage = std::move(sStage); }

private:
    struct SDrag
    {
        bool bActive = false;
        SEditorObjectRef layer;
        float fFrame = 0.0f;
        CEditorPropChanges changes;
    };

    bool LoadFromFile(const std::string& sFolder, const std::string& sFile, std::string& sError);
    bool WriteAtomically(const std::string& sPath, const std::string& sText, bool bBackup,
                         std::string& sError);
    bool Failing(const char* pStage) const { return m_sFailStage == pStage; }
    void NoteAffected(const IEditorCommand& command);
    void ReadBookmarks();
    // Sorted, each frame once.
    void KeepBookmarks(std::vector<int> vFrames);
    // Resources that appeared in the lists since the last look, which the engine made itself.
    void NoteEngineMade();
    COrvLayer* FindDragLayer() const;

    // Destroyed after the history, whose commands may hold the document's objects.
    std::unique_ptr<COrvDemo> m_pDemo;
    IDirect3DDevice9* m_pDevice = nullptr;
    std::string m_sFolder;
    std::vector<ORV_LoadProblem> m_OpenProblems;
    std::vector<int> m_vBookmarks;
    CEditorHistory m_History;
    bool m_bModifiedOutsideHistory = false;
    bool m_bHasAffected = false;
    SEditorObjectRef m_LastAffected;
    // The resources seen after the last step (held, so no new object can take an address).
    std::vector<COrvComPtr<COrvResource>> m_KnownResources;
    std::vector<std::string> m_EngineMade;
    SDrag m_Drag;
    std::string m_sFailStage;
};

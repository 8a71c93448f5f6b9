#pragma once
// The commands that change the document's lists (add, delete, duplicate, reorder) or replace a
// whole object's state, behind the factory functions of EditorCommands.h. An object taken out
// of a list is held by its command, so undo puts back the very same object.

#include "EditorCommands.h"
#include "EditorPropChanges.h"

#include "OrvComPtr.h"

class COrvModifiable;

// Sets the process-wide current frame for a write and gives the host's frame back after: the
// engine's factories and pointer handlers write at the current frame, and the model writes at
// the frame it is told.
class CEditorFrameForWriting
{
public:
    explicit CEditorFrameForWriting(float fFrame);
    ~CEditorFrameForWriting();
    CEditorFrameForWriting(const CEditorFrameForWriting&) = delete;
    CEditorFrameForWriting& operator=(const CEditorFrameForWriting&) = delete;

private:
    float m_fSaved;
};

// Adds an object made by a factory at a frame (a material also gets its Alpha keyed to 1 there).
class CEditorAddObjectCommand : public IEditorCommand
{
public:
    CEditorAddObjectCommand(EEditorFactory eFactory, float fFrame)
        : m_eFactory(eFactory), m_fFrame(fFrame)
    {
    }
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override;
    std::string GetLabel() const override;
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    EEditorFactory m_eFactory;
    float m_fFrame;
    COrvComPtr<COrvModifiable> m_pObject;
    SEditorObjectRef m_Ref;
};

// Takes an object out of its list (Apply), or puts a held one back at its place (Revert), or
// the other way round for a duplicate, whose copy is made on the first Apply.
class CEditorListCommand : public IEditorCommand
{
public:
    enum class EKind
    {
        Delete,
        Duplicate,
    };
    CEditorListCommand(EKind eKind, const SEditorObjectRef& ref) : m_eKind(eKind), m_Ref(ref) {}
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override;
    std::string GetLabel() const override;
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    EKind m_eKind;
    SEditorObjectRef m_Ref;               // the original
    COrvComPtr<COrvModifiable> m_pObject; // the deleted object, or the copy
    std::string m_sName;
};

// Moves an object to another place of its list, through the document's cut and paste.
class CEditorReorderCommand : public IEditorCommand
{
public:
    CEditorReorderCommand(const SEditorObjectRef& ref, size_t uBefore)
        : m_Ref(ref), m_uBefore(uBefore)
    {
    }
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override { return sizeof(*this); }
    std::string GetLabel() const override { return "Reorder"; }
    bool IsEmpty() const override { return m_uFinal == m_Ref.uIndex; }
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    SEditorObjectRef m_Ref;
    size_t m_uBefore;
    size_t m_uFinal = SIZE_MAX;
    bool m_bApplied = false;
};

// An object's state from one saved text to another.
class CEditorRestoreCommand : public IEditorCommand
{
public:
    CEditorRestoreCommand(const SEditorObjectRef& ref, std::string sBefore, std::string sAfter,
                          std::string sLabel)
        : m_Ref(ref), m_sBefore(std::move(sBefore)), m_sAfter(std::move(sAfter)),
          m_sLabel(std::move(sLabel))
    {
    }
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override;
    std::string GetLabel() const override { return m_sLabel; }
    bool IsEmpty() const override { return m_sBefore == m_sAfter; }
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    SEditorObjectRef m_Ref;
    std::string m_sBefore;
    std::string m_sAfter;
    std::string m_sLabel;
};

// Changes already made to properties (by a pointer drag through the layer's own handlers),
// kept as one step.
class CEditorRecordedCommand : public IEditorCommand
{
public:
    CEditorRecordedCommand(const SEditorObjectRef& ref, CEditorPropChanges changes,
                           std::string sLabel)
        : m_Ref(ref), m_Changes(std::move(changes)), m_sLabel(std::move(sLabel))
    {
    }
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override;
    std::string GetLabel() const override { return m_sLabel; }
    bool IsEmpty() const override { return m_Changes.IsEmpty(); }
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    SEditorObjectRef m_Ref;
    CEditorPropChanges m_Changes;
    std::string m_sLabel;
};

// The object's state back from EditorSaveObject's text: the keys of its animated properties
// are replaced by those of the text.
bool EditorLoadObject(COrvModifiable& object, const std::string& sText);
// The object's display name: "Sprite layer 'sprite image 3'".
std::string EditorDescribeObject(COrvModifiable& object);

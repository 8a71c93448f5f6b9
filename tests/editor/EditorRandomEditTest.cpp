// Long seeded sequences of every kind of edit, undone to the document as opened and redone to
// the document as edited, on the sample demo and on a generated one.
#include "EditorClipboard.h"
#include "EditorCommands.h"
#include "EditorTestDemo.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
class CRandomEditor
{
public:
    CRandomEditor(CEditorDocument& document, unsigned uSeed) : m_Document(document), m_Random(uSeed)
    {
    }

    // One random edit; true when the document kept a step.
    void EditOnce()
    {
        std::string sError;
        EditorCommandPtr pCommand = MakeCommand();
        if (pCommand)
            m_Document.Execute(std::move(pCommand), sError);
        ++m_uEdits;
    }

    // Now and then, undo or redo a few steps in the middle of the editing.
    void WanderInHistory()
    {
        const int iSteps = Pick(4);
        for (int i = 0; i < iSteps; ++i)
            Pick(2) ? m_Document.Undo() : m_Document.Redo();
    }

private:
    int Pick(int iCount) { return std::uniform_int_distribution<int>(0, iCount - 1)(m_Random); }
    float Uniform(float fLow, float fHigh)
    {
        return std::uniform_real_distribution<float>(fLow, fHigh)(m_Random);
    }

    bool PickObject(SEditorObjectRef& ref)
    {
        COrvDemo& demo = m_Document.GetDemo();
        const size_t uLayers = demo.GetLayers().size();
        const size_t uResources = demo.GetResources().size();
        const int iWhich = Pick(10);
        if (iWhich == 0)
            ref = {EEditorList::Music, 0};
        else if ((iWhich < 6 && uLayers) || !uResources)
            ref = {EEditorList::Layers, uLayers ? static_cast<size_t>(Pick(int(uLayers))) : 0};
        else
            ref = {EEditorList::Resources, static_cast<size_t>(Pick(int(uResources)))};
        return EditorFindObject(demo, ref) != nullptr;
    }

    bool PickProp(SEditorPropRef& ref)
    {
        if (!PickObject(ref.object))
            return false;
        const size_t uCount =
            EditorFindObject(m_Document.GetDemo(), ref.object)->GetProperties().size();
        ref.uProp = static_cast<size_t>(Pick(int(uCount)));
        return true;
    }

    // Keys of the property, up to three picked at random.
    std::vector<SEditorKeyRef> PickKeys(const SEditorPropRef& prop)
    {
        std::vector<SEditorKeyRef> keys;
        const COrvPropBase* pProp = EditorFindProp(m_Document.GetDemo(), prop);
        if (!pProp || pProp->GetTrack().empty())
            return keys;
        std::vector<int> frames;
        for (const auto& entry : pProp->GetTrack())
            frames.push_back(entry.first);
        for (int i = 0, n = 1 + Pick(3); i < n; ++i)
            keys.push_back({prop, frames[static_cast<size_t>(Pick(int(frames.size())))]});
        return keys;
    }

    SEditorValue RandomValueLike(const SEditorValue& like)
    {
        static const char* const s_Texts[] = {
            "", "paint", "m0", "OUTPUT", "NEXT", "img_sky", "a name with spaces", "x.png"};
        SEditorValue value = like;
        std::visit(
            [&](auto& v)
            {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, bool>)
                    v = !v;
                else if constexpr (std::is_same_v<T, int>)
                    v += Pick(21) - 10;
                else if constexpr (std::is_same_v<T, float>)
                    v = Uniform(-10.0f, 10.0f);
                else if constexpr (std::is_same_v<T, D3DXVECTOR3>)
                    v = D3DXVECTOR3(Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5));
                else if constexpr (std::is_same_v<T, D3DXQUATERNION>)
                {
                    D3DXQuaternionRotationYawPitchRoll(&v, Uniform(-3, 3), Uniform(-3, 3),
                                                       Uniform(-3, 3));
                }
                else
                    v = s_Texts[Pick(int(std::size(s_Texts)))];
            },
            value);
        return value;
    }

    EditorCommandPtr MakeValueCommand()
    {
        SEditorPropRef prop;
        if (!PickProp(prop))
            return nullptr;
        const COrvPropBase* pProp = EditorFindProp(m_Document.GetDemo(), prop);
        SEditorValue current;
        if (!EditorReadValueAt(*pProp, 0.0f, current))
            return nullptr;
        const float fFrame = Uniform(-20.0f, 2000.0f);
        switch (Pick(4))
        {
        case 0:
            return EditorAddKey(prop, static_cast<int>(fFrame), RandomValueLike(current));
        case 1:
            return EditorAddKeyHere(prop, static_cast<int>(fFrame));
        case 2:
            return Pick(8) ? nullptr : EditorSetAnimable(prop, !pProp->GetAnimable());
        default:
            return EditorSetValue(prop, fFrame, RandomValueLike(current));
        }
    }

    EditorCommandPtr MakeKeyCommand()
    {
        SEditorPropRef prop;
        if (!PickProp(prop))
            return nullptr;
        std::vector<SEditorKeyRef> keys = PickKeys(prop);
        if (keys.empty())
            return nullptr;
        switch (Pick(4))
        {
        case 0:
            return EditorDeleteKeys(std::move(keys));
        case 1:
            return EditorMoveKeys(std::move(keys), Pick(200) - 100);
        case 2:
            return EditorShiftKeyValues(std::move(keys), Pick(2) ? 0.1f : -10.0f);
        default:
            m_Clipboard.CopyKeys(m_Document.GetDemo(), keys);
            return EditorPasteKeys(m_Clipboard, Pick(3000));
        }
    }

    EditorCommandPtr MakeObjectCommand()
    {
        SEditorObjectRef object;
        const bool bFound = PickObject(object);
        switch (Pick(7))
        {
        case 0:
            return EditorAddObject(static_cast<EEditorFactory>(Pick(int(EEditorFactory::Count))),
                                   Uniform(0.0f, 500.0f));
        case 1:
            return bFound ? EditorRename(object, "renamed " + std::to_string(m_uEdits)) : nullptr;
        case 2:
            return bFound && Pick(3) == 0 ? EditorDuplicate(object) : nullptr;
        case 3:
            return bFound && Pick(2) == 0 ? EditorDelete(object) : nullptr;
        case 4:
            return bFound ? EditorReorder(object, static_cast<size_t>(Pick(40))) : nullptr;
        case 5:
            return bFound ? EditorSetVisible(object, Uniform(0.0f, 100.0f), Pick(2) == 0) : nullptr;
        default:
            return Pick(2) ? EditorSetTempo(Uniform(60.0f, 180.0f))
                           : EditorSetMusicFile(Pick(2) ? "atelier.ogg" : "other.ogg");
        }
    }

    EditorCommandPtr MakeCommand()
    {
        const int iKind = Pick(10);
        if (iKind < 4)
            return MakeValueCommand();
        if (iKind < 7)
            return MakeKeyCommand();
        return MakeObjectCommand();
    }

    CEditorDocument& m_Document;
    std::mt19937 m_Random;
    CEditorClipboard m_Clipboard;
    size_t m_uEdits = 0;
};

void EditUndoAllRedoAll(CEditorDocument& document, unsigned uSeed, int iEdits)
{
    const std::string sOpened = SaveTextOf(document);
    CRandomEditor editor(document, uSeed);
    for (int i = 0; i < iEdits; ++i)
    {
        editor.EditOnce();
        if (i % 50 == 49)
            editor.WanderInHistory();
    }
    while (document.Redo())
    {
    }
    const std::string sEdited = SaveTextOf(document);
    ASSERT_NE(sEdited, sOpened);
    ASSERT_GT(document.GetHistory().GetUndoCount(), static_cast<size_t>(iEdits) / 3);

    while (document.Undo())
    {
    }
    EXPECT_EQ(SaveTextOf(document), sOpened) << "seed " << uSeed;
    EXPECT_FALSE(document.IsModified());
    while (document.Redo())
    {
    }
    EXPECT_EQ(SaveTextOf(document), sEdited) << "seed " << uSeed;
    EXPECT_TRUE(document.IsModified());
}
} // namespace

TEST(EditorRandomEdits, OnTheSampleUndoAllGivesTheOpenedTextAndRedoAllTheEdited)
{
    CEditorTestFolder folder("editor_random_sample");
    folder.FillWithSample();
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    EditUndoAllRedoAll(document, 2026, 3000);
    COrvPropBase::SetFrame(0.0f);
}

TEST(EditorRandomEdits, OnAGeneratedDemoWithManyKeys)
{
    CEditorTestFolder folder("editor_random_generated");
    folder.Write(OrvGenerateDemoText(60, 3000));
    for (unsigned uSeed : {7u, 8u})
    {
        CEditorDocument document;
        std::string sError;
        ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
        EditUndoAllRedoAll(document, uSeed, 1500);
    }
    COrvPropBase::SetFrame(0.0f);
}

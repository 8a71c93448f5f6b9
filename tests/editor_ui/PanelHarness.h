#pragma once
// The editor's panels in an off-screen Dear ImGui context, on a copy of the sample demo
// opened without a device: frames are built and rendered to draw lists that nobody draws,
// and input goes in through ImGui's own io (mouse position and buttons, keys, typed
// characters), as the shell's platform layer feeds it.
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelState.h"

#include "OrvKernel.h"
#include "OrvTempDir.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>
#include <functional>
#include <string>

class CPanelHarness
{
public:
    explicit CPanelHarness(ImVec2 size = ImVec2(1200.0f, 800.0f))
    {
        m_pContext = ImGui::CreateContext();
        ImGui::SetCurrentContext(m_pContext);
        ImGuiIO& io = ImGui::GetIO();
        io.DisplaySize = size;
        io.DeltaTime = 1.0f / 60.0f;
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        unsigned char* pPixels = nullptr;
        int iWidth = 0;
        int iHeight = 0;
        io.Fonts->GetTexDataAsRGBA32(&pPixels, &iWidth, &iHeight);
        // Each named key is its own index in KeysDown.
        for (int i = 0; i < ImGuiKey_COUNT; ++i)
            io.KeyMap[i] = i;
        io.MousePos = ImVec2(-1.0f, -1.0f);
    }
    ~CPanelHarness() { ImGui::DestroyContext(m_pContext); }
    CPanelHarness(const CPanelHarness&) = delete;
    CPanelHarness& operator=(const CPanelHarness&) = delete;

    // One frame: the panel drawn in a window that fills the display.
    void Frame(const std::function<void()>& fnDraw)
    {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
        ImGui::Begin("panel", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                         ImGuiWindowFlags_NoSavedSettings);
        fnDraw();
        ImGui::End();
        ImGui::Render();
        ImGui::GetIO().MouseWheel = 0.0f;
    }
    void Frames(int iCount, const std::function<void()>& fnDraw)
    {
        for (int i = 0; i < iCount; ++i)
            Frame(fnDraw);
    }

    void MoveTo(ImVec2 position, const std::function<void()>& fnDraw)
    {
        ImGui::GetIO().MousePos = position;
        Frame(fnDraw);
    }
    void Press(const std::function<void()>& fnDraw, int iButton = 0)
    {
        ImGui::GetIO().MouseDown[iButton] = true;
        Frame(fnDraw);
    }
    void Release(const std::function<void()>& fnDraw, int iButton = 0)
    {
        ImGui::GetIO().MouseDown[iButton] = false;
        Frame(fnDraw);
    }
    void Click(ImVec2 position, const std::function<void()>& fnDraw)
    {
        MoveTo(position, fnDraw);
        Press(fnDraw);
        Release(fnDraw);
    }
    // Drags from one point to another in steps, one frame each.
    void Drag(ImVec2 from, ImVec2 to, const std::function<void()>& fnDraw, int iSteps = 6)
    {
        MoveTo(from, fnDraw);
        Press(fnDraw);
        for (int i = 1; i <= iSteps; ++i)
            MoveTo(ImVec2(from.x + (to.x - from.x) * i / iSteps,
                          from.y + (to.y - from.y) * i / iSteps),
                   fnDraw);
        Release(fnDraw);
    }
    // A key pressed for one frame and let go the next.
    void Key(ImGuiKey key, const std::function<void()>& fnDraw)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.KeysDown[io.KeyMap[key]] = true;
        Frame(fnDraw);
        io.KeysDown[io.KeyMap[key]] = false;
        Frame(fnDraw);
    }
    void Type(const std::string& sText, const std::function<void()>& fnDraw)
    {
        for (char c : sText)
            ImGui::GetIO().AddInputCharacter(static_cast<unsigned int>(c));
        Frame(fnDraw);
    }
    // Clicks the entry of the open popup (a menu or a list) at the place, 0 the first; false
    // when no popup is open.
    bool ClickPopupEntry(size_t uEntry, const std::function<void()>& fnDraw)
    {
        Frame(fnDraw); // a popup is placed in the frame after it opens
        ImGuiContext& g = *ImGui::GetCurrentContext();
        if (g.OpenPopupStack.empty() || !g.OpenPopupStack.back().Window)
            return false;
        const ImVec2 first = g.OpenPopupStack.back().Window->DC.CursorStartPos;
        Click(ImVec2(first.x + 10.0f,
                     first.y + static_cast<float>(uEntry) * ImGui::GetTextLineHeightWithSpacing() +
                         6.0f),
              fnDraw);
        return true;
    }
    void SetModifiers(bool bCtrl, bool bShift, bool bAlt)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyCtrl = bCtrl;
        io.KeyShift = bShift;
        io.KeyAlt = bAlt;
    }

private:
    ImGuiContext* m_pContext = nullptr;
};

inline ImVec2 Centre(ImVec2 min, ImVec2 max)
{
    return ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f);
}

// A panel test: a copy of the sample demo opened as a document, a selection, the context the
// panels share, and the off-screen interface.
class CPanelTest : public ::testing::Test
{
protected:
    CPanelTest() : m_Dir("panel")
    {
        const std::filesystem::path sample =
            std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier";
        std::filesystem::copy(sample, m_Dir.Path() / "demo",
                              std::filesystem::copy_options::recursive);
        m_Context.pDocument = &m_Document;
        m_Context.pSelection = &m_Selection;
    }

    void SetUp() override
    {
        std::string sError;
        ASSERT_TRUE(m_Document.Open((m_Dir.Path() / "demo").string(), sError)) << sError;
    }

    COrvDemo& Demo() { return m_Document.GetDemo(); }
    SEditorPanelState& State() { return *m_Context.pPanelState; }
    std::string Status() const { return m_Context.pStatus ? m_Context.pStatus : ""; }

    // The property of an object by identifier, with its reference.
    COrvPropBase* Prop(const SEditorObjectRef& object, ORV_PROP_ID id,
                       SEditorPropRef* pRef = nullptr)
    {
        COrvModifiable* pObject = EditorFindObject(Demo(), object);
        if (!pObject)
            return nullptr;
        const COrvPropList& vProps = pObject->GetProperties();
        for (size_t i = 0; i < vProps.size(); ++i)
            if (vProps[i]->GetPropId() == id)
            {
                if (pRef)
                    *pRef = SEditorPropRef{object, i};
                return vProps[i];
            }
        return nullptr;
    }

    // The place of the first resource of the class.
    size_t FirstOfClass(const std::string& sClass)
    {
        for (size_t i = 0; i < Demo().GetResources().size(); ++i)
            if (Demo().GetResources()[i]->GetClass() == sClass)
                return i;
        ADD_FAILURE() << "no " << sClass;
        return 0;
    }

    std::vector<std::string> LayerNames()
    {
        std::vector<std::string> vNames;
        for (COrvLayer* pLayer : Demo().GetLayers())
            vNames.push_back(pLayer->GetName());
        return vNames;
    }

    COrvTempDir m_Dir;
    CEditorDocument m_Document;
    CEditorSelection m_Selection;
    SEditorContext m_Context;
    CPanelHarness m_Ui;
};

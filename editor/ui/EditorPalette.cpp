#include "EditorPalette.h"

#include "EditorActions.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>
#include <utility>

void CEditorPalette::Open()
{
    m_bOpen = true;
    m_bFocus = true;
    m_bPendingEnter = false;
    m_iChosen = 0;
    m_szQuery[0] = '\0';
}

void CEditorPalette::AddText(const char* pText)
{
    const size_t uLength = std::strlen(m_szQuery);
    std::strncat(m_szQuery, pText, sizeof(m_szQuery) - uLength - 1);
}

namespace
{
// Runs a match; what happened goes to the status line.
void RunMatch(const SEditorActionMatch& match, std::string& sStatus)
{
    std::string sError;
    if (match.pAction->fnRun(match.sArgument, sError))
        sStatus = match.pAction->sName;
    else
        sStatus = match.pAction->sName + ": " + sError;
}
} // namespace

void CEditorPalette::Draw(const CEditorActions& actions, std::string& sStatus)
{
    if (!m_bOpen)
        return;
    const ImGuiViewport* pViewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(
        ImVec2(pViewport->Pos.x + pViewport->Size.x * 0.5f, pViewport->Pos.y + 60.0f),
        ImGuiCond_Always, ImVec2(0.5f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(520.0f, 0.0f));
    ImGui::SetNextWindowFocus();
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_AlwaysAutoResize;
    if (!ImGui::Begin("Command palette", nullptr, flags))
    {
        ImGui::End();
        return;
    }
    if (m_bFocus)
    {
        ImGui::SetKeyboardFocusHere();
        m_bFocus = false;
    }
    ImGui::SetNextItemWidth(-1.0f);
    bool bEnter = ImGui::InputTextWithHint(
        "##query", "type an action: add sprite, save, go to 42.5", m_szQuery, sizeof(m_szQuery),
        ImGuiInputTextFlags_EnterReturnsTrue);
    bEnter = bEnter || std::exchange(m_bPendingEnter, false);
    const std::vector<SEditorActionMatch> matches = actions.Match(m_szQuery);
    const int iCount = int(std::min<size_t>(matches.size(), 12));
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_DownArrow)))
        m_iChosen = std::min(m_iChosen + 1, iCount - 1);
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_UpArrow)))
        m_iChosen = std::max(m_iChosen - 1, 0);
    m_iChosen = std::clamp(m_iChosen, 0, std::max(0, iCount - 1));
    int iClicked = -1;
    for (int i = 0; i < iCount; ++i)
    {
        const SEditorAction& action = *matches[size_t(i)].pAction;
        std::string sLabel = action.sName;
        if (action.bTakesArgument)
            sLabel += " <" + action.sArgumentHint + ">";
        if (ImGui::Selectable(sLabel.c_str(), i == m_iChosen))
            iClicked = i;
        if (!action.sShortcut.empty())
        {
            ImGui::SameLine(ImGui::GetWindowWidth() - 110.0f);
            ImGui::TextDisabled("%s", action.sShortcut.c_str());
        }
    }
    if (iCount == 0)
        ImGui::TextDisabled("no action matches");
    ImGui::End();
    const bool bEscape = ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape));
    if (bEnter || iClicked >= 0)
    {
        m_bOpen = false;
        if (iCount > 0)
            RunMatch(matches[size_t(iClicked >= 0 ? iClicked : m_iChosen)], sStatus);
        else
            sStatus = std::string("no action matches \"") + m_szQuery + "\"";
    }
    else if (bEscape)
        m_bOpen = false;
}

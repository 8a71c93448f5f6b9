#include "EditorApp.h"

#include "EditorPanels.h"
#include "PlayerDevice.h"
#include "PlayerMusic.h"
#include "PlayerTransport.h"
#include "document/OrvDemo.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace
{
constexpr ImGuiWindowFlags kPanelFlags =
    ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings;

// "1:1  0.00 s  frame 0"
std::string DescribePosition(float fFrame, float fBeatsPerMinute)
{
    const double dBeats = fFrame / double(CEditorTransport::kFramesPerBeat);
    const double dSeconds = fBeatsPerMinute > 0.0f ? dBeats * 60.0 / fBeatsPerMinute : 0.0;
    char szText[96];
    std::snprintf(szText, sizeof(szText), "frame %.1f   %s   %.2f s", fFrame,
                  FormatBarsBeats(dBeats).c_str(), dSeconds);
    return szText;
}

} // namespace

CEditorApp::CEditorApp() = default;

CEditorApp::~CEditorApp()
{
    ShutDown();
}

bool CEditorApp::CreateWindowAndDevice(std::string& sError)
{
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
    {
        sError = std::string("no display: ") + SDL_GetError();
        return false;
    }
    m_Window.bSdlStarted = true;
    m_pWindow = SDL_CreateWindow("OrvEditor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 m_Layout.iWindowWidth, m_Layout.iWindowHeight,
                                 SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (m_pWindow == nullptr)
    {
        sError = std::string("cannot open the window: ") + SDL_GetError();
        return false;
    }
    m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    D3DDISPLAYMODE mode = {UINT(m_Layout.iWindowWidth), UINT(m_Layout.iWindowHeight), 0,
                           D3DFMT_X8R8G8B8};
    m_Present = MakePresentParameters(mode, false, true);
    if (!m_pD3D || FAILED(CreatePlayerDevice(m_pD3D.Get(), m_pWindow, m_Present,
                                             m_pDevice.ReleaseAndGetAddressOf())))
    {
        sError = "cannot create the graphics device";
        return false;
    }
    ImGui::CreateContext();
    m_bImGuiStarted = true;
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // the layout is the editor's own (editor.ini)
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(m_pWindow, SDL_GL_GetCurrentContext());
    m_pRenderer = std::make_unique<CImGuiD3D9Renderer>(m_pDevice.Get());
    m_pView = std::make_unique<CEditorView>(m_pDevice.Get());
    return m_pRenderer->CreateFontTexture(sError);
}

CEditorApp::SWindowHolder::~SWindowHolder()
{
    if (pWindow != nullptr)
        SDL_DestroyWindow(pWindow);
    if (bSdlStarted)
        SDL_Quit();
}

void CEditorApp::ShutDown()
{
    m_Export.Cancel();
    if (HasDemo())
        m_Document.GetDemo().BassStop();
    m_pView.reset();
    m_pRenderer.reset();
    if (m_bImGuiStarted)
    {
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        m_bImGuiStarted = false;
    }
}

int CEditorApp::Run(const SEditorOptions& options)
{
    m_sConfigPath = GetEditorConfigPath();
    m_Layout = LoadEditorLayout(m_sConfigPath);
    std::string sError;
    if (!CreateWindowAndDevice(sError))
    {
        std::fprintf(stderr, "OrvEditor: %s\n", sError.c_str());
        return 1;
    }
    RegisterShellActions();
    OpenAtStart(options);
    std::vector<SDL_Event> deferred;
    while (!m_bQuit)
    {
        PumpEvents(deferred);
        m_Export.Poll();
        WatchFolder();
        WriteRecoveryWhenDue();
        DrawFrame();
    }
    if (!m_sConfigPath.empty() && !SaveEditorLayout(m_Layout, m_sConfigPath, sError))
        std::fprintf(stderr, "OrvEditor: %s\n", sError.c_str());
    if (HasDemo() && !m_Document.IsModified())
        m_Document.DiscardRecovery();
    return 0;
}

void CEditorApp::SetFrame(float fFrame)
{
    if (HasDemo())
        m_Transport.Seek(*m_pClock, fFrame);
}

void CEditorApp::PumpEvents(std::vector<SDL_Event>& deferred)
{
    // ImGui reads the keys held at each frame: a key pressed and released between two frames
    // (a quick tap, or synthetic input) would be missed. Its release waits for the next frame.
    std::vector<SDL_Keycode> pressed;
    std::vector<SDL_Event> later;
    for (const SDL_Event& event : deferred)
        HandleEvent(event);
    SDL_Event event;
    // After Ctrl+K the rest waits in SDL's queue for the next frame, when the palette is
    // there to take it (typing right after Ctrl+K on a slow frame would reach nothing).
    bool bPaletteWasOpen = m_Palette.IsOpen();
    while ((bPaletteWasOpen || !m_Palette.IsOpen()) && SDL_PollEvent(&event))
    {
        bPaletteWasOpen = bPaletteWasOpen && m_Palette.IsOpen();
        if (event.type == SDL_KEYDOWN)
            pressed.push_back(event.key.keysym.sym);
        if (event.type == SDL_KEYUP &&
            std::find(pressed.begin(), pressed.end(), event.key.keysym.sym) != pressed.end())
        {
            later.push_back(event);
            continue;
        }
        HandleEvent(event);
        // Enter runs the palette's line at the next frame: what follows waits for it.
        if (m_Palette.IsOpen() && event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_RETURN)
            break;
    }
    deferred = std::move(later);
}

void CEditorApp::HandleEvent(const SDL_Event& event)
{
    if (m_Palette.IsTakingKeys() && event.type == SDL_TEXTINPUT)
    {
        m_Palette.AddText(event.text.text);
        return;
    }
    if (m_Palette.IsTakingKeys() && event.type == SDL_KEYDOWN &&
        (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER))
    {
        m_Palette.PressEnter();
        return;
    }
    if (event.type == SDL_KEYDOWN && HandleShortcut(event.key.keysym.sym, event.key.keysym.mod))
        return;
    ImGui_ImplSDL2_ProcessEvent(&event);
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
        RequestQuit();
    if (event.type == SDL_DROPFILE)
    {
        if (HasDemo() && event.drop.file != nullptr)
            UseDroppedFile(m_Context, event.drop.file);
        SDL_free(event.drop.file);
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        ResizeBackBuffer(event.window.data1, event.window.data2);
}

bool CEditorApp::HandleShortcut(int iKey, int iModifiers)
{
    const bool bCtrl = (iModifiers & KMOD_CTRL) != 0;
    const bool bShift = (iModifiers & KMOD_SHIFT) != 0;
    std::string sError;
    // These work wherever the focus is.
    if (bCtrl && iKey == SDLK_k)
        m_Palette.Open();
    else if (bCtrl && iKey == SDLK_s)
        HasDemo() && Save();
    else if (bCtrl && iKey == SDLK_z)
        HasDemo() && (bShift ? m_Document.Redo() : m_Document.Undo());
    else if (bCtrl && iKey == SDLK_q)
        RequestQuit();
    else if (bCtrl && iKey == SDLK_e)
        m_bShowExport = true;
    else if (bCtrl && iKey == SDLK_o)
        m_bShowOpen = true;
    else
    {
        // The transport's keys, unless a text field has them.
        if (ImGui::GetIO().WantTextInput || m_Palette.IsOpen() || !HasDemo() ||
            !m_Questions.empty())
            return false;
        const char* pAction = nullptr;
        switch (iKey)
        {
        case SDLK_SPACE:
            pAction = "Play / pause";
            break;
        case SDLK_HOME:
            pAction = "Go to start";
            break;
        case SDLK_END:
            pAction = "Go to end";
            break;
        case SDLK_LEFT:
            pAction = bCtrl ? "Back one sixteenth" : bShift ? "Back 16 beats" : "Back one beat";
            break;
        case SDLK_RIGHT:
            pAction = bCtrl ? "On one sixteenth" : bShift ? "On 16 beats" : "On one beat";
            break;
        case SDLK_i:
            pAction = "Loop start here";
            break;
        case SDLK_o:
            pAction = "Loop end here";
            break;
        case SDLK_l:
            pAction = "Loop off";
            break;
        default:
            return false;
        }
        const SEditorAction* pFound = m_Actions.Find(pAction);
        return pFound != nullptr && pFound->fnRun("", sError);
    }
    return true;
}

void CEditorApp::ResizeBackBuffer(int iWidth, int iHeight)
{
    if (iWidth <= 0 || iHeight <= 0)
        return;
    m_Present.BackBufferWidth = UINT(iWidth);
    m_Present.BackBufferHeight = UINT(iHeight);
    m_pDevice->Reset(&m_Present);
    m_Layout.iWindowWidth = iWidth;
    m_Layout.iWindowHeight = iHeight;
    ClampLayout(m_Layout);
    m_bApplyLayout = true;
}

void CEditorApp::DrawFrame()
{
    RunDeferred();
    if (HasDemo())
    {
        m_Transport.Update(*m_pClock);
        std::string sError;
        if (m_pView->SetOutputSize(m_Layout.iOutputWidth, m_Layout.iOutputHeight, sError))
        {
            m_Document.GetDemo().SetOutputSize(m_Layout.iOutputWidth, m_Layout.iOutputHeight);
            m_pView->DrawDemo(m_Document.GetDemo(), GetFrame());
        }
        else
            m_sStatus = sError;
    }
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    DrawMenuBar();
    DrawPanels();
    DrawOpenWindow();
    DrawStatusAndQuestion();
    m_Palette.Draw(m_Actions, m_sStatus);
    ImGui::Render();
    COrvComPtr<IDirect3DSurface9> pBackBuffer;
    m_pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, pBackBuffer.ReleaseAndGetAddressOf());
    m_pDevice->SetRenderTarget(0, pBackBuffer.Get());
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202225, 1.0f, 0);
    m_pDevice->BeginScene();
    m_pRenderer->Render(ImGui::GetDrawData());
    m_pDevice->EndScene();
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    UpdateTitle();
    if (!m_sWindowPicture.empty() && --m_iWindowPictureDelay <= 0)
        SaveWindowPicture();
}

void CEditorApp::DrawMenuBar()
{
    if (!ImGui::BeginMainMenuBar())
        return;
    if (ImGui::BeginMenu("File"))
    {
        if (ImGui::MenuItem("Open or make a demo...", "Ctrl+O"))
            m_bShowOpen = true;
        if (ImGui::MenuItem("Save", "Ctrl+S", false, HasDemo()))
            Save();
        if (ImGui::MenuItem("Export video...", "Ctrl+E", false, HasDemo()))
            m_bShowExport = true;
        if (ImGui::MenuItem("Quit", "Ctrl+Q"))
            RequestQuit();
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Edit"))
    {
        if (ImGui::MenuItem("Undo", "Ctrl+Z", false, HasDemo() && m_Document.CanUndo()))
            m_Document.Undo();
        if (ImGui::MenuItem("Redo", "Ctrl+Shift+Z", false, HasDemo() && m_Document.CanRedo()))
            m_Document.Redo();
        if (ImGui::MenuItem("Command palette", "Ctrl+K"))
            m_Palette.Open();
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("View"))
    {
        for (const SPanelToggle& toggle : PanelToggles())
        {
            bool& bShown = m_Layout.*toggle.pShown;
            if (ImGui::MenuItem(toggle.pTitle, nullptr, bShown))
                TogglePanel(bShown);
        }
        ImGui::EndMenu();
    }
    if (HasDemo())
    {
        ImGui::Separator();
        if (ImGui::SmallButton(m_Transport.IsPlaying() ? "Pause" : "Play"))
            m_Transport.TogglePlaying(*m_pClock);
        ImGui::TextUnformatted(
            DescribePosition(GetFrame(), GetMusicTempo(&m_Document.GetDemo())).c_str());
        if (m_Transport.HasLoop())
            ImGui::TextDisabled("loop %.0f-%.0f", m_Transport.GetLoopStart(),
                                m_Transport.GetLoopEnd());
    }
    ImGui::EndMainMenuBar();
}

void CEditorApp::TogglePanel(bool& bShown)
{
    bShown = !bShown;
    // The panels take their new places at once; the sizes the user dragged are kept.
    m_bApplyLayout = true;
}

void CEditorApp::DrawPanels()
{
    const float fTop = ImGui::GetFrameHeight();
    const SEditorPanelRects rects = ComputePanelRects(m_Layout, fTop);
    m_Context.pDocument = HasDemo() ? &m_Document : nullptr;
    m_Context.pSelection = &m_Selection;
    m_Context.pDevice = m_pDevice.Get();
    m_Context.fFrame = GetFrame();
    m_Context.bPlaying = m_Transport.IsPlaying();
    m_Context.bLoop = m_Transport.HasLoop();
    m_Context.fLoopStart = m_Transport.GetLoopStart();
    m_Context.fLoopEnd = m_Transport.GetLoopEnd();
    m_Context.pStatus = nullptr;
    DrawPanelWindows(m_Context, m_Layout, fTop, m_bApplyLayout);
    m_bApplyLayout = false;
    if (m_Context.pStatus != nullptr)
        m_sStatus = m_Context.pStatus;
    if (HasDemo() && m_Context.fFrame != GetFrame())
        SetFrame(m_Context.fFrame);
    DrawViewPanel(rects.view);
}

void CEditorApp::DrawViewPanel(const SEditorRect& rect)
{
    ImGui::SetNextWindowPos(ImVec2(rect.fX, rect.fY), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(rect.fWidth, rect.fHeight), ImGuiCond_Always);
    ImGui::Begin("View", nullptr,
                 kPanelFlags | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar);
    if (!HasDemo())
    {
        ImGui::TextWrapped("No demo is open. Open a demo folder or make a new demo with "
                           "File > Open or make a demo (Ctrl+O), or from the command palette "
                           "(Ctrl+K): \"open demo FOLDER\", \"new demo FOLDER\".");
        ImGui::End();
        return;
    }
    ImGui::Text("%s   output %d x %d",
                DescribePosition(GetFrame(), GetMusicTempo(&m_Document.GetDemo())).c_str(),
                m_Layout.iOutputWidth, m_Layout.iOutputHeight);
    const ImVec2 cursor = ImGui::GetCursorScreenPos();
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    const SEditorRect picture = FitLetterbox({cursor.x, cursor.y, avail.x, avail.y},
                                             m_pView->GetWidth(), m_pView->GetHeight());
    ImGui::GetWindowDrawList()->AddRectFilled(
        cursor, ImVec2(cursor.x + avail.x, cursor.y + avail.y), IM_COL32(0, 0, 0, 255));
    if (m_pView->GetTexture() != nullptr && picture.fWidth > 0.0f)
    {
        ImGui::SetCursorScreenPos(ImVec2(picture.fX, picture.fY));
        ImGui::Image(static_cast<ImTextureID>(m_pView->GetTexture()),
                     ImVec2(picture.fWidth, picture.fHeight));
        HandleViewPointer(picture);
    }
    ImGui::End();
}

void CEditorApp::HandleViewPointer(const SEditorRect& picture)
{
    const ImGuiIO& io = ImGui::GetIO();
    float fX = 0.0f;
    float fY = 0.0f;
    const bool bInside = MapToOutput(picture, m_pView->GetWidth(), m_pView->GetHeight(),
                                     io.MousePos.x, io.MousePos.y, fX, fY);
    const bool bLeft = ImGui::IsMouseDown(ImGuiMouseButton_Left);
    const bool bRight = ImGui::IsMouseDown(ImGuiMouseButton_Right);
    const bool bMiddle = ImGui::IsMouseDown(ImGuiMouseButton_Middle);
    if (!m_bDragging)
    {
        SEditorObjectRef layer;
        const bool bPressed = ImGui::IsMouseClicked(ImGuiMouseButton_Left) ||
                              ImGui::IsMouseClicked(ImGuiMouseButton_Right) ||
                              ImGui::IsMouseClicked(ImGuiMouseButton_Middle);
        if (bPressed && bInside && ImGui::IsItemHovered() && m_Selection.GetPrimary(layer) &&
            layer.eList == EEditorList::Layers)
            m_bDragging = m_Document.BeginDrag(layer, GetFrame(), fX, fY);
        return;
    }
    if (bLeft || bRight || bMiddle)
    {
        m_Document.MoveDrag(fX, fY, DWORD(MakeMouseFlags(bLeft, bRight, bMiddle)));
        return;
    }
    std::string sError;
    if (!m_Document.EndDrag(fX, fY, sError))
        m_sStatus = sError;
    m_bDragging = false;
}

void CEditorApp::DrawStatusAndQuestion()
{
    const ImGuiViewport* pViewport = ImGui::GetMainViewport();
    // A picture of the window being taken shows the editor, not the palette's last words.
    if (!m_sStatus.empty() && m_sWindowPicture.empty())
    {
        ImGui::SetNextWindowPos(ImVec2(pViewport->Size.x - 8.0f, pViewport->Size.y - 8.0f),
                                ImGuiCond_Always, ImVec2(1.0f, 1.0f));
        ImGui::SetNextWindowBgAlpha(0.85f);
        ImGui::Begin("##status", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing);
        ImGui::TextUnformatted(m_sStatus.c_str());
        ImGui::SameLine();
        if (ImGui::SmallButton("x"))
            m_sStatus.clear();
        ImGui::End();
    }
    if (m_Export.IsRunning() || m_bShowExport)
    {
        ImGui::SetNextWindowPos(ImVec2(pViewport->Size.x * 0.5f, pViewport->Size.y * 0.4f),
                                ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
        ImGui::Begin("Export", nullptr,
                     ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings);
        if (m_Export.IsRunning())
        {
            ImGui::ProgressBar(m_Export.GetProgress(), ImVec2(360.0f, 0.0f));
            if (ImGui::Button("Cancel"))
                m_Export.Cancel();
        }
        else
        {
            SExportDialogContext dialogContext;
            dialogContext.iOutputWidth = m_Layout.iOutputWidth;
            dialogContext.iOutputHeight = m_Layout.iOutputHeight;
            dialogContext.dPlayhead = FrameToSeconds(GetFrame());
            dialogContext.bLoop = m_Transport.HasLoop();
            dialogContext.dLoopStart = FrameToSeconds(m_Transport.GetLoopStart());
            dialogContext.dLoopEnd = FrameToSeconds(m_Transport.GetLoopEnd());
            dialogContext.sResolvedFile = ResolveExportPath(m_ExportDialog.szFile);
            const EExportDialogAction eAction = DrawExportDialog(m_ExportDialog, dialogContext);
            if (eAction == EExportDialogAction::ExportVideo)
                StartExport(MakeExportSettings(m_ExportDialog, m_Layout.iOutputWidth,
                                               m_Layout.iOutputHeight));
            else if (eAction == EExportDialogAction::SavePng)
                SaveFramePng(m_ExportDialog.szPng);
            else if (eAction == EExportDialogAction::Close)
                m_bShowExport = false;
        }
        ImGui::End();
    }
    if (!m_Export.IsRunning() && !m_Export.GetResult().empty() &&
        m_sExportFile != m_Export.GetResult())
    {
        m_sExportFile = m_Export.GetResult();
        m_sStatus = m_sExportFile;
    }
    if (m_Questions.empty())
        return;
    SEditorQuestion& question = m_Questions.front();
    ImGui::OpenPopup(question.sTitle.c_str());
    ImGui::SetNextWindowPos(ImVec2(pViewport->Size.x * 0.5f, pViewport->Size.y * 0.4f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal(question.sTitle.c_str(), nullptr,
                                ImGuiWindowFlags_AlwaysAutoResize))
        return;
    ImGui::PushTextWrapPos(520.0f);
    ImGui::TextUnformatted(question.sText.c_str());
    ImGui::PopTextWrapPos();
    std::function<void()> fnChosen;
    for (auto& answer : question.answers)
    {
        if (ImGui::Button(answer.first.c_str()))
            fnChosen = answer.second;
        ImGui::SameLine();
    }
    ImGui::NewLine();
    // Enter takes the first answer, so every question can be answered from the keyboard.
    if (!fnChosen && !question.answers.empty() &&
        ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false))
        fnChosen = question.answers.front().second;
    if (fnChosen || question.answers.empty())
    {
        ImGui::CloseCurrentPopup();
        m_Questions.erase(m_Questions.begin());
    }
    ImGui::EndPopup();
    // Answered between frames: an answer may replace the document (open another, reload),
    // whose textures this frame's draw lists still name.
    if (fnChosen)
        m_Deferred.push_back(std::move(fnChosen));
}

void CEditorApp::RunDeferred()
{
    // Each may defer more (a save's own question): those wait for the next frame.
    std::vector<std::function<void()>> work;
    work.swap(m_Deferred);
    for (std::function<void()>& fn : work)
        fn();
}

void CEditorApp::UpdateTitle()
{
    std::string sTitle = "OrvEditor";
    if (HasDemo())
        sTitle = (m_Document.IsModified() ? "* " : "") +
                 std::filesystem::path(m_Document.GetFolder()).filename().string() + " - OrvEditor";
    if (sTitle != m_sTitle)
    {
        m_sTitle = sTitle;
        SDL_SetWindowTitle(m_pWindow, sTitle.c_str());
    }
}

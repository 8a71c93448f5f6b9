#include "SettingsDialog.h"

#include "PlayerDevice.h"
#include "PlayerInterrupt.h"

#include <SDL.h>
#include <cstring>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

namespace
{

// The dialog's size: 186 x 119 dialog units at two pixels a unit.
constexpr int kWidth = 372;
constexpr int kHeight = 238;

// The dialog's window and GL context, closed whatever way the dialog ends.
struct SDialogWindow
{
    SDL_Window* pWindow = nullptr;
    SDL_GLContext context = nullptr;
    bool bImGui = false;

    ~SDialogWindow()
    {
        if (bImGui)
        {
            ImGui_ImplOpenGL3_Shutdown();
            ImGui_ImplSDL2_Shutdown();
            ImGui::DestroyContext();
        }
        if (context != nullptr)
        {
            SDL_GL_DeleteContext(context);
        }
        if (pWindow != nullptr)
        {
            SDL_DestroyWindow(pWindow);
        }
    }

    bool Open(std::string& sError)
    {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        pWindow = SDL_CreateWindow("ORVEL", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                                   kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_ALWAYS_ON_TOP);
        context = pWindow != nullptr ? SDL_GL_CreateContext(pWindow) : nullptr;
        if (context == nullptr)
        {
            sError = std::string("cannot open the settings dialog: ") + SDL_GetError();
            return false;
        }
        SDL_GL_MakeCurrent(pWindow, context);
        SDL_GL_SetSwapInterval(1);
        ImGui::CreateContext();
        ImGui::GetIO().IniFilename = nullptr;
        ImGui::StyleColorsDark();
        bImGui = true;
        ImGui_ImplSDL2_InitForOpenGL(pWindow, context);
        ImGui_ImplOpenGL3_Init("#version 330");
        return true;
    }
};

// Enter is "GO !", Escape and the close box are "Exit"; -1 while neither happened.
int HandleEvents()
{
    SDL_Event event;
    int iResult = -1;
    while (SDL_PollEvent(&event) != 0)
    {
        ImGui_ImplSDL2_ProcessEvent(&event);
        if (event.type == SDL_QUIT ||
            (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
        {
            iResult = DIALOG_EXIT;
        }
        else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
        {
            iResult = DIALOG_EXIT;
        }
        else if (event.type == SDL_KEYDOWN &&
                 (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER))
        {
            iResult = DIALOG_GO;
        }
    }
    return iResult;
}

// Lays out one frame of the dialog; the result of a button pressed in it, else -1.
int DrawDialog(const std::vector<std::string>& labels, SDialogChoice& rChoice)
{
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(kWidth, kHeight));
    ImGui::Begin("ORVEL", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings);
    int iResult = -1;
    ImGui::SetCursorPos(ImVec2(14, 14));
    if (ImGui::BeginListBox("##modes", ImVec2(344, 118)))
    {
        for (size_t i = 0; i < labels.size(); ++i)
        {
            bool bSelected = rChoice.iMode == static_cast<int>(i);
            if (ImGui::Selectable(labels[i].c_str(), bSelected))
            {
                rChoice.iMode = static_cast<int>(i);
            }
            if (ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left))
            {
                iResult = DIALOG_GO;
            }
        }
        ImGui::EndListBox();
    }
    ImGui::SetCursorPos(ImVec2(14, 138));
    ImGui::Checkbox("Fullscreen", &rChoice.bFullscreen);
    ImGui::SetCursorPos(ImVec2(164, 138));
    ImGui::Checkbox("VSync", &rChoice.bVSync);
    ImGui::SetCursorPos(ImVec2(14, 196));
    if (ImGui::Button("GO !", ImVec2(100, 28)))
    {
        iResult = DIALOG_GO;
    }
    ImGui::SetCursorPos(ImVec2(258, 196));
    if (ImGui::Button("Exit", ImVec2(100, 28)))
    {
        iResult = DIALOG_EXIT;
    }
    ImGui::End();
    return iResult;
}

// Whether SDL's windows reach a screen: its off-screen and dummy drivers draw for nobody.
bool IsOnADisplay()
{
    const char* szDriver = SDL_GetCurrentVideoDriver();
    return szDriver != nullptr && std::strcmp(szDriver, "offscreen") != 0 &&
           std::strcmp(szDriver, "dummy") != 0;
}

} // namespace

EDialogResult RunSettingsDialog(const std::vector<D3DDISPLAYMODE>& modes, SDialogChoice& rChoice,
                                std::string& sError)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        sError = std::string("cannot open the settings dialog: ") + SDL_GetError();
        return DIALOG_FAILED;
    }
    if (!IsOnADisplay())
    {
        // SDL falls back to windows nobody sees: the dialog would wait for ever.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        sError = "cannot open the settings dialog: there is no display";
        return DIALOG_FAILED;
    }
    std::vector<std::string> labels;
    for (const D3DDISPLAYMODE& mode : modes)
    {
        labels.push_back(FormatModeLabel(mode));
    }
    SDialogChoice choice = rChoice;
    choice.iMode = -1; // nothing preselected
    int iResult = -1;
    {
        SDialogWindow window;
        if (!window.Open(sError))
        {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return DIALOG_FAILED;
        }
        while (iResult < 0)
        {
            iResult = IsInterrupted() ? DIALOG_EXIT : HandleEvents();
            ImGui_ImplOpenGL3_NewFrame();
            ImGui_ImplSDL2_NewFrame();
            ImGui::NewFrame();
            int iPressed = DrawDialog(labels, choice);
            iResult = iResult >= 0 ? iResult : iPressed;
            ImGui::Render();
            int iDrawWidth = 0;
            int iDrawHeight = 0;
            SDL_GL_GetDrawableSize(window.pWindow, &iDrawWidth, &iDrawHeight);
            glViewport(0, 0, iDrawWidth, iDrawHeight);
            glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
            SDL_GL_SwapWindow(window.pWindow);
        }
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (iResult == DIALOG_GO)
    {
        rChoice = choice;
    }
    return static_cast<EDialogResult>(iResult);
}

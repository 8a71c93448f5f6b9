// The interface's renderer: what it asks of the Direct3D 9 device when it draws ImGui's lists
// (recording device), and the picture it makes on the headless OpenGL device.
#include "ImGuiD3D9Renderer.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "RecordingDevice.h"

#include <imgui.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// A fresh ImGui context of a fixed display size, with no file of its own.
class CImGuiScope
{
public:
    CImGuiScope(float fWidth, float fHeight)
    {
        m_pContext = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        io.DisplaySize = ImVec2(fWidth, fHeight);
        io.DeltaTime = 1.0f / 60.0f;
        ImGui::StyleColorsDark();
    }
    ~CImGuiScope() { ImGui::DestroyContext(m_pContext); }
    CImGuiScope(const CImGuiScope&) = delete;
    CImGuiScope& operator=(const CImGuiScope&) = delete;

private:
    ImGuiContext* m_pContext;
};

// One frame of a small window: text, a button, a filled rectangle cut by the window's edge
// (so it needs the scissor), and iExtraShapes small squares over everything.
const ImDrawData* BuildFrame(int iExtraShapes = 0)
{
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(8, 8));
    ImGui::SetNextWindowSize(ImVec2(150, 100));
    ImGui::Begin("Layers", nullptr, ImGuiWindowFlags_NoSavedSettings);
    ImGui::TextUnformatted("Sprite 1");
    ImGui::Button("Add");
    const ImVec2 pos = ImGui::GetCursorScreenPos();
    ImGui::GetWindowDrawList()->AddRectFilled(pos, ImVec2(pos.x + 400, pos.y + 20),
                                              IM_COL32(255, 40, 40, 255));
    ImGui::Dummy(ImVec2(10, 22));
    ImGui::End();
    for (int i = 0; i < iExtraShapes; ++i)
        ImGui::GetForegroundDrawList()->AddRectFilled(
            ImVec2(float(i % 300), float(i / 300)), ImVec2(float(i % 300 + 2), float(i / 300 + 2)),
            IM_COL32(0, 255, 0, 255));
    ImGui::Render();
    return ImGui::GetDrawData();
}

std::string FindCall(const CRecordingDevice& device, const std::string& sPrefix)
{
    for (const SRecordedCall& call : device.GetCalls())
        if (call.Text().rfind(sPrefix, 0) == 0)
            return call.Text();
    return "";
}

size_t IndexOf(const std::vector<std::string>& calls, const std::string& sPrefix)
{
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind(sPrefix, 0) == 0)
            return i;
    return calls.size();
}

class ImGuiRendererCalls : public ::testing::Test
{
protected:
    CRecordingDevice m_Device{320, 200};
    CImGuiScope m_ImGui{320, 200};
};

TEST_F(ImGuiRendererCalls, DrawsEachCommandWithItsScissorAndTexture)
{
    CImGuiD3D9Renderer renderer(&m_Device);
    std::string sError;
    ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
    EXPECT_EQ(ImGui::GetIO().Fonts->TexID, static_cast<ImTextureID>(renderer.GetFontTexture()));
    const ImDrawData* pData = BuildFrame();
    int iCommands = 0;
    for (int i = 0; i < pData->CmdListsCount; ++i)
        iCommands += pData->CmdLists[i]->CmdBuffer.Size;
    m_Device.ClearCalls();
    ASSERT_TRUE(renderer.Render(pData));

    const std::vector<std::string> calls = m_Device.CallsNamed();
    const size_t uFirstDraw = IndexOf(calls, "DrawIndexedPrimitive");
    ASSERT_LT(uFirstDraw, calls.size());
    EXPECT_EQ(int(m_Device.CountCalls("DrawIndexedPrimitive")), iCommands);
    EXPECT_EQ(m_Device.CountCalls("SetScissorRect"),
              m_Device.CountCalls("DrawIndexedPrimitive") + 1)
        << "one rectangle per command, and the old one put back";
    // The window is clipped to its own rectangle (8,8)-(158,108) at most.
    const std::string sScissor = FindCall(m_Device, "SetScissorRect");
    EXPECT_NE(sScissor, "SetScissorRect 0 0 0 0");
    // Everything the draw needs is set before the first draw.
    for (const char* pState :
         {"SetRenderState D3DRS_ALPHABLENDENABLE 1", "SetRenderState D3DRS_SRCBLEND 5",
          "SetRenderState D3DRS_DESTBLEND 6", "SetRenderState D3DRS_SCISSORTESTENABLE 1",
          "SetRenderState D3DRS_ZENABLE 0", "SetRenderState D3DRS_CULLMODE 1",
          "SetRenderState D3DRS_LIGHTING 0", "SetTransform"})
        EXPECT_LT(IndexOf(calls, pState), uFirstDraw) << pState;
    EXPECT_LT(IndexOf(calls, "SetFVF " + std::to_string(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1)),
              uFirstDraw);
    EXPECT_LT(IndexOf(calls, "SetTexture 0 " + m_Device.Label(renderer.GetFontTexture())),
              uFirstDraw);
}

TEST_F(ImGuiRendererCalls, PutsBackEveryStateItChanged)
{
    CImGuiD3D9Renderer renderer(&m_Device);
    std::string sError;
    ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
    // What the demo left: its own blending, depth, culling, scissor and viewport.
    m_Device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_Device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_Device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_Device.SetRenderState(D3DRS_ZENABLE, TRUE);
    m_Device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_Device.SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    D3DVIEWPORT9 viewport = {10, 20, 100, 50, 0.0f, 1.0f};
    m_Device.SetViewport(&viewport);
    m_Device.SetFVF(D3DFVF_XYZRHW);
    ASSERT_TRUE(renderer.Render(BuildFrame()));

    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_SCISSORTESTENABLE), DWORD(FALSE));
    EXPECT_EQ(m_Device.GetCurrentViewport().X, 10u);
    EXPECT_EQ(m_Device.GetCurrentViewport().Width, 100u);
    EXPECT_EQ(m_Device.GetBoundTexture(0), nullptr);
    DWORD uFVF = 0;
    m_Device.GetFVF(&uFVF);
    EXPECT_EQ(uFVF, DWORD(D3DFVF_XYZRHW));
}

TEST_F(ImGuiRendererCalls, GrowsItsBuffersOnlyWhenAFrameNeedsMore)
{
    CImGuiD3D9Renderer renderer(&m_Device);
    std::string sError;
    ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
    ASSERT_TRUE(renderer.Render(BuildFrame()));
    ASSERT_TRUE(renderer.Render(BuildFrame()));
    EXPECT_EQ(m_Device.CountCalls("CreateVertexBuffer"), 1u);
    EXPECT_EQ(m_Device.CountCalls("CreateIndexBuffer"), 1u);
    const UINT uFirst = renderer.GetVertexCapacity();

    // Three thousand squares need far more than the first frame's room.
    const ImDrawData* pBig = BuildFrame(3000);
    ASSERT_GT(UINT(pBig->TotalVtxCount), uFirst);
    ASSERT_TRUE(renderer.Render(pBig));
    EXPECT_EQ(m_Device.CountCalls("CreateVertexBuffer"), 2u);
    EXPECT_GE(renderer.GetVertexCapacity(), UINT(pBig->TotalVtxCount));
    EXPECT_GE(renderer.GetIndexCapacity(), UINT(pBig->TotalIdxCount));
    ASSERT_TRUE(renderer.Render(BuildFrame()));
    EXPECT_EQ(m_Device.CountCalls("CreateVertexBuffer"), 2u) << "a smaller frame keeps the room";
}

TEST_F(ImGuiRendererCalls, RefusedBuffersDrawNothingAndLeakNothing)
{
    {
        CImGuiD3D9Renderer renderer(&m_Device);
        std::string sError;
        ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
        m_Device.SetFailCreation(true);
        EXPECT_FALSE(renderer.Render(BuildFrame()));
        EXPECT_EQ(m_Device.CountCalls("DrawIndexedPrimitive"), 0u);
        std::string sFontError;
        EXPECT_FALSE(renderer.CreateFontTexture(sFontError));
        EXPECT_NE(sFontError.find("font texture"), std::string::npos) << sFontError;
        m_Device.SetFailCreation(false);
        EXPECT_TRUE(renderer.Render(BuildFrame())) << "a later frame tries again";
    }
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
}

// --- Pictures on the OpenGL device ------------------------------------------------------

constexpr UINT kPictureW = 200;
constexpr UINT kPictureH = 128;

class ImGuiRendererPicture : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Device) << std::hex << m_Device.GetCreateResult(); }

    SOrvImage Draw(const ImDrawData* pData, CImGuiD3D9Renderer& renderer)
    {
        m_Device->BeginScene();
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
        EXPECT_TRUE(renderer.Render(pData));
        m_Device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_Device.Get(), image));
        return image;
    }

    COrvTestDevice m_Device{kPictureW, kPictureH, false};
    CImGuiScope m_ImGui{float(kPictureW), float(kPictureH)};
};

TEST_F(ImGuiRendererPicture, WindowMatchesGolden)
{
    CImGuiD3D9Renderer renderer(m_Device.Get());
    std::string sError;
    ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
    const SOrvImage image = Draw(BuildFrame(), renderer);
    ASSERT_EQ(image.m_uWidth, kPictureW);
    // The red bar runs 400 pixels wide but the window clips it at its right edge (x = 158).
    bool bRedInside = false;
    for (UINT y = 8; y < 108; ++y)
        bRedInside = bRedInside || image.At(100, y) == 0xFFFF2828u;
    EXPECT_TRUE(bRedInside) << "the bar is drawn inside the window";
    for (UINT y = 0; y < kPictureH; ++y)
        for (UINT x = 160; x < kPictureW; ++x)
            ASSERT_EQ(image.At(x, y), 0xFF102030u)
                << "clipped away outside the window at " << x << "," << y;
    EXPECT_TRUE(OrvMatchesGolden(image, "editor_imgui_window", 4));
}

TEST_F(ImGuiRendererPicture, BlendsTranslucentShapesOverWhatIsThere)
{
    CImGuiD3D9Renderer renderer(m_Device.Get());
    std::string sError;
    ASSERT_TRUE(renderer.CreateFontTexture(sError)) << sError;
    ImGui::NewFrame();
    ImGui::GetForegroundDrawList()->AddRectFilled(ImVec2(20, 20), ImVec2(60, 60),
                                                  IM_COL32(255, 255, 255, 128));
    ImGui::Render();
    const SOrvImage image = Draw(ImGui::GetDrawData(), renderer);
    // Half white over (0x10, 0x20, 0x30): about (0x88, 0x90, 0x98).
    const uint32_t uMid = image.At(40, 40);
    EXPECT_NEAR(int((uMid >> 16) & 0xFF), 0x88, 3);
    EXPECT_NEAR(int((uMid >> 8) & 0xFF), 0x90, 3);
    EXPECT_NEAR(int(uMid & 0xFF), 0x98, 3);
    // Pixel-exact edges: the rectangle covers 20..59 and nothing else.
    EXPECT_EQ(image.At(19, 40), 0xFF102030u);
    EXPECT_EQ(image.At(60, 40), 0xFF102030u);
    EXPECT_NE(image.At(20, 40), 0xFF102030u);
    EXPECT_NE(image.At(59, 59), 0xFF102030u);
}
} // namespace

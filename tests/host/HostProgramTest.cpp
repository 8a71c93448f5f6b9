// A host program as a client writes one: only OrvKernel.h, linked with the shared libraries.
// It reaches the scene layers (particles, balls, grid, sphere) through the document's
// factories and the demo file, their simulations, the depth-of-field pass on a headless
// device, and the AVI file writer; a class or function missing from the public headers or
// not exported makes this program fail to build.
#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// The program runs in a temporary folder of its own (shader cache and log included), removed
// at its end.
fs::path g_Root;

template <typename TProp> TProp* Find(COrvModifiable* pObject, ORV_PROP_ID id)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            return dynamic_cast<TProp*>(pProp);
    return nullptr;
}

std::vector<std::string> PropertyNames(COrvModifiable* pObject)
{
    std::vector<std::string> names;
    for (COrvPropBase* pProp : pObject->GetProperties())
        names.push_back(pProp->GetPropIdString());
    return names;
}

void ExpectRange(COrvModifiable* pObject, ORV_PROP_ID id, float fDefault, float fMin, float fMax)
{
    auto* pProp = Find<COrvPropFloat>(pObject, id);
    ASSERT_NE(pProp, nullptr) << id;
    EXPECT_EQ(pProp->GetValue(), fDefault) << id;
    float fLow = -1.0f, fHigh = -1.0f;
    pProp->GetRange(fLow, fHigh);
    EXPECT_EQ(fLow, fMin) << id;
    EXPECT_EQ(fHigh, fMax) << id;
}

// A demo folder: the current directory, with data/ holding the sample demo's effect files.
class CHostFolder
{
public:
    explicit CHostFolder(const std::string& name) : m_Path(g_Root / name)
    {
        fs::create_directories(m_Path / "data");
        for (const char* pFile : {"scene.fx", "dof.fx"})
            fs::copy_file(fs::path(ORV_SAMPLE_DATA) / pFile, m_Path / "data" / pFile);
        m_Previous = fs::current_path();
        fs::current_path(m_Path);
    }
    ~CHostFolder()
    {
        fs::current_path(m_Previous);
        fs::remove_all(m_Path);
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
    fs::path m_Previous;
};

// A headless device of the platform, made the way a host makes one.
struct SHostDevice
{
    SHostDevice(UINT uWidth, UINT uHeight)
    {
        m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        if (!m_pD3D)
            return;
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = uWidth;
        parameters.BackBufferHeight = uHeight;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D16;
        m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                             D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                             m_pDevice.ReleaseAndGetAddressOf());
    }
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
};
} // namespace

TEST(HostProgram, SceneLayersFromFactoriesAndFromTheDemoFile)
{
    CHostFolder folder("document");
    COrvDemo demo;
    COrvModifiable* apLayers[] = {demo.AddLayerParticles(), demo.AddLayerBalls(),
                                  demo.AddLayerSphere(), demo.AddLayerGrid()};
    const char* apClasses[] = {"COrvLayerParticules", "COrvLayerBalls", "COrvLayerSphere",
                               "COrvLayerGrid"};
    const char* apNames[] = {"Particles ", "Balls ", "sphereFX ", "FXGrid "};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(apLayers[i]->GetClass(), apClasses[i]);
        EXPECT_EQ(apLayers[i]->GetName().rfind(apNames[i], 0), 0u) << apLayers[i]->GetName();
    }
    // Each factory counts on its own, over every document of the process.
    COrvDemo other;
    const std::string second = other.AddLayerSphere()->GetName();
    EXPECT_EQ(std::atoi(second.c_str() + 9), std::atoi(apLayers[2]->GetName().c_str() + 9) + 1);

    const std::vector<std::string> base = {"Name", "Visible", "Visible Track", "Clear First",
                                           "Render taget"};
    auto with = [&](std::vector<std::string> own)
    {
        std::vector<std::string> all = base;
        all.insert(all.end(), own.begin(), own.end());
        return all;
    };
    EXPECT_EQ(PropertyNames(apLayers[0]), with({"Material Name", "Rotation", "Power", "Ressort"}));
    EXPECT_EQ(PropertyNames(apLayers[1]),
              with({"Material Name", "Ground Material Name", "Ball Shadow Material Name",
                    "Mesh Name", "Translation", "Rotation", "Focal dist", "Focal range"}));
    EXPECT_EQ(PropertyNames(apLayers[2]),
              with({"Material Name", "Translation", "Rotation", "Culling Side"}));
    EXPECT_EQ(PropertyNames(apLayers[3]),
              with({"Material Name", "Translation", "Rotation", "Focal dist", "Focal range"}));
    ExpectRange(apLayers[0], ORV_PROP_POWER, 0.0f, 0.0f, 2.0f);
    ExpectRange(apLayers[0], ORV_PROP_RESSORT, 1.0f, 0.0f, 1.0f);
    ExpectRange(apLayers[1], ORV_PROP_FOCAL_DIST, 10.0f, 0.0f, 40.0f);
    ExpectRange(apLayers[1], ORV_PROP_FOCAL_RANGE, 10.0f, 0.0f, 40.0f);
    ExpectRange(apLayers[3], ORV_PROP_FOCAL_DIST, 37.5f, 0.0f, 37.5f);
    ExpectRange(apLayers[3], ORV_PROP_FOCAL_RANGE, 37.5f, 0.0f, 37.5f);
    auto* pCulling = Find<COrvPropBool>(apLayers[2], ORV_PROP_CULLING_SIDE);
    ASSERT_NE(pCulling, nullptr);
    EXPECT_FALSE(pCulling->GetValue());
    EXPECT_TRUE(pCulling->GetAnimable());

    // Written and read back by class name.
    std::string text;
    ASSERT_TRUE(demo.Save(text));
    std::ofstream(folder.Path() / "scenes.orv") << text;
    COrvDemo copy;
    ASSERT_TRUE(copy.Load((folder.Path() / "scenes.orv").string()));
    ASSERT_EQ(copy.GetLayers().size(), 4u);
    EXPECT_NE(dynamic_cast<COrvLayerParticules*>(copy.GetLayers()[0]), nullptr);
    EXPECT_NE(dynamic_cast<COrvLayerBalls*>(copy.GetLayers()[1]), nullptr);
    EXPECT_NE(dynamic_cast<COrvLayerSphere*>(copy.GetLayers()[2]), nullptr);
    EXPECT_NE(dynamic_cast<COrvLayerGrid*>(copy.GetLayers()[3]), nullptr);
}

TEST(HostProgram, GeneratorAndSimulations)
{
    const uint32_t saved = ORV_Random::GetState();
    ORV_Random::SetState(1);
    EXPECT_EQ(ORV_Random::Next(), 41);
    EXPECT_EQ(ORV_Random::Next(), 18467);
    EXPECT_EQ(ORV_Random::Next(), 6334);
    ORV_Random::SetState(saved);

    ORV_Ball balls[ORV_BallSimulation::kBallCount];
    ORV_BallSimulation room;
    room.Place(balls);
    for (int i = 0; i < ORV_BallSimulation::kBallCount; ++i)
        for (int j = 0; j < i; ++j)
        {
            const D3DXVECTOR3 d = balls[i].m_vPosition - balls[j].m_vPosition;
            EXPECT_GT(D3DXVec3Length(&d), balls[i].m_fRadius + balls[j].m_fRadius);
        }
    room.Step(balls, 1.0f);
    room.Step(balls, 2.0f);
    ORV_BallSimulation::Collide(balls[0], balls[1]);
    for (const ORV_Ball& ball : balls)
        EXPECT_LE(std::fabs(ball.m_vPosition.x), 11.0f - ball.m_fRadius);

    ORV_ParticleCloud cloud;
    cloud.Step(5.0f, 1.0f, 0.5f);
    cloud.Step(6.0f, 1.0f, 0.5f);
    EXPECT_EQ(cloud.GetParticleCount(), 10000);
    EXPECT_EQ(cloud.GetAttractorCount(), 4);

    ORV_GridLattice lattice;
    lattice.Rebuild(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), 0.0f);
    int visible = 0;
    for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
        visible += lattice.IsVisible(cell);
    EXPECT_GT(visible, 0);
    EXPECT_LT(visible, ORV_GridLattice::kCellCount);
}

TEST(HostProgram, DepthOfFieldPassAndLayersOnADevice)
{
    CHostFolder folder("device");
    SHostDevice device(160, 90);
    ASSERT_TRUE(device.m_pDevice) << "no headless device";
    IDirect3DDevice9* pDevice = device.m_pDevice.Get();

    // The pass's six operations on a record the host fills itself.
    fs::current_path(folder.Path() / "data");
    DofPass dof;
    dof.m_pDevice = pDevice;
    dof.m_TargetFormat[0] = D3DFMT_A8R8G8B8;
    dof.m_TargetFormat[1] = D3DFMT_G16R16F;
    ASSERT_EQ(DofCreate(&dof, 160, 90), S_OK);
    DofSetFilterTaps(&dof);
    COrvComPtr<IDirect3DSurface9> pBefore, pDuring, pAfter;
    pDevice->GetRenderTarget(0, pBefore.ReleaseAndGetAddressOf());
    DofBeginScene(&dof);
    pDevice->GetRenderTarget(0, pDuring.ReleaseAndGetAddressOf());
    EXPECT_EQ(pDuring.Get(), dof.m_pTargetSurface[0].Get());
    DofEndScene(&dof);
    pDevice->GetRenderTarget(0, pAfter.ReleaseAndGetAddressOf());
    EXPECT_EQ(pAfter.Get(), pBefore.Get());
    dof.m_fMaxCoC = 9.0f;
    DofComposite(&dof);
    EXPECT_EQ(DofRelease(&dof), S_OK);
    fs::current_path(folder.Path());

    // Every scene layer draws through the shared libraries.
    COrvDemo demo;
    demo.SetOutputSize(160, 90);
    demo.SetDevice(pDevice);
    auto* pBalls = static_cast<COrvLayerBalls*>(demo.AddLayerBalls());
    auto* pGrid = static_cast<COrvLayerGrid*>(demo.AddLayerGrid());
    auto* pParticles = static_cast<COrvLayerParticules*>(demo.AddLayerParticles());
    auto* pSphere = static_cast<COrvLayerSphere*>(demo.AddLayerSphere());
    std::string reason;
    EXPECT_TRUE(pBalls->IsReady(&reason)) << reason;
    EXPECT_TRUE(pGrid->IsReady(&reason)) << reason;
    EXPECT_NE(pParticles->GetVertexBuffer(), nullptr);
    EXPECT_NE(pSphere->GetSphere(), nullptr);
    pDevice->BeginScene();
    for (COrvLayer* pLayer : demo.GetLayers())
        pLayer->Draw();
    pDevice->EndScene();
    EXPECT_EQ(pBalls->GetDof().m_uWidth, 160u);
    EXPECT_EQ(pBalls->GetDof().m_uHeight, 90u); // a 16:9 band of the output's width
    demo.SetDevice(nullptr);
}

TEST(HostProgram, AviFileWriterFromRawFramesAndBitmaps)
{
    CHostFolder folder("movies");
    {
        CAviFile writer("raw.avi", mmioFOURCC('M', 'J', 'P', 'G'), 25);
        std::vector<BYTE> frame(100 * 100 * 4, 0x80);
        EXPECT_EQ(writer.AppendNewFrame(100, 100, frame.data(), 32), S_OK)
            << writer.GetLastErrorMessage();
        EXPECT_EQ(writer.AppendNewFrame(100, 100, frame.data(), 32), S_OK);
        EXPECT_STREQ(writer.GetLastErrorMessage(), "Method Succeeded");
    }
    EXPECT_GT(fs::file_size(folder.Path() / "raw.avi"), 0u);

    {
        CAviFile writer("bitmap.avi");
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 64;
        info.bmiHeader.biHeight = 48;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* pBits = nullptr;
        HBITMAP hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
        ASSERT_NE(hBitmap, nullptr);
        BITMAP description{};
        ASSERT_NE(GetObjectA(hBitmap, sizeof(description), &description), 0);
        EXPECT_EQ(description.bmWidth, 64);
        EXPECT_EQ(writer.AppendNewFrame(hBitmap), S_OK) << writer.GetLastErrorMessage();
        DeleteObject(hBitmap);
    }
    EXPECT_GT(fs::file_size(folder.Path() / "bitmap.avi"), 0u);

    CAviFile missing("missing.avi", mmioFOURCC('Q', 'Q', 'Q', 'Q'), 1);
    std::vector<BYTE> frame(16 * 16 * 4);
    EXPECT_EQ(missing.AppendNewFrame(16, 16, frame.data(), 32), E_FAIL);
    EXPECT_STREQ(missing.GetLastErrorMessage(),
                 "Unable to Create Compressed Stream: Check your CODEC options");
    EXPECT_EQ(missing.AppendNewFrame(16, 16, frame.data(), 32), E_FAIL);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::string pattern = (fs::temp_directory_path() / "orv_host_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    g_Root = pattern;
    setenv("ORV_SHADER_CACHE", (g_Root / "shader_cache").c_str(), 1);
    setenv("ORV_SNIFFER", (g_Root / "sniffer.txt").c_str(), 1);
    setenv("TMPDIR", g_Root.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0); // the music track needs no sound card
    const int result = RUN_ALL_TESTS();
    std::error_code error;
    fs::remove_all(g_Root, error);
    return result;
}

// Effect files written the way demo makers' files are (tests/d3dx/data/fx): each is created
// from its file and its first technique drawn over a lit sphere with the usual semantics set;
// the files that Orv cannot honour must be refused with a message naming file, line and
// construct. A file says which in its first line: "// expect: draws" or
// "// expect: refused: <text of the message>". Textures are given as a host gives them: a
// cube map to cube textures and samplers (and to textures annotated as cube maps), a volume
// to volume ones, a 2D checker to the others.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "OrvPi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace
{
std::string CorpusDir()
{
    return std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/fx/";
}

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> asFiles;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir()))
        if (entry.path().extension() == ".fx")
            asFiles.push_back(entry.path().filename().string());
    std::sort(asFiles.begin(), asFiles.end());
    return asFiles;
}

std::string Expectation(const std::string& sFile)
{
    std::ifstream file(CorpusDir() + sFile);
    std::string sLine;
    std::getline(file, sLine);
    const std::string sPrefix = "// expect: ";
    return sLine.rfind(sPrefix, 0) == 0 ? sLine.substr(sPrefix.size()) : std::string();
}

// A unit sphere with everything a vertex shader may ask for.
struct SVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float tx, ty, tz;
    float bx, by, bz;
    DWORD color;
    float weights[4];
    DWORD indices;
};

const D3DVERTEXELEMENT9 s_aElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 56, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 60, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {0, 76, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
    D3DDECL_END()};

void MakeSphere(std::vector<SVertex>& aVertices, std::vector<WORD>& aIndices)
{
    const int iRings = 16, iSegments = 24;
    for (int r = 0; r <= iRings; ++r)
        for (int s = 0; s <= iSegments; ++s)
        {
            float v = float(r) / iRings, u = float(s) / iSegments;
            float fTheta = v * orv::fPi, fPhi = u * 2 * orv::fPi;
            float nx = std::sin(fTheta) * std::cos(fPhi), ny = std::cos(fTheta),
                  nz = std::sin(fTheta) * std::sin(fPhi);
            SVertex vertex{0.8f * nx,
                           0.8f * ny,
                           0.8f * nz,
                           nx,
                           ny,
                           nz,
                           u,
                           v,
                           -std::sin(fPhi),
                           0,
                           std::cos(fPhi),
                           0,
                           0,
                           0,
                           0xffffffff,
                           {1, 0, 0, 0},
                           0};
            vertex.bx = ny * vertex.tz;
            vertex.by = nz * vertex.tx - nx * vertex.tz;
            vertex.bz = -ny * vertex.tx;
            aVertices.push_back(vertex);
        }
    for (int r = 0; r < iRings; ++r)
        for (int s = 0; s < iSegments; ++s)
        {
            WORD i = WORD(r * (iSegments + 1) + s), j = WORD(i + iSegments + 1);
            aIndices.insert(aIndices.end(), {i, WORD(i + 1), j, WORD(i + 1), WORD(j + 1), j});
        }
}

class EffectCorpusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device) << "no headless device";
        MakeSphere(m_aVertices, m_aIndices);
        ASSERT_EQ(
            m_device->CreateVertexDeclaration(s_aElements, m_pDeclaration.ReleaseAndGetAddressOf()),
            S_OK);
        D3DXVECTOR3 eye(0, 0.5f, -2.5f), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixIdentity(&m_world);
        D3DXMatrixLookAtLH(&m_view, &eye, &at, &up);
        // 3.14159f, not pi: the angle the golden pictures were made with.
        D3DXMatrixPerspectiveFovLH(&m_projection, 3.14159f / 3, 1.0f, 0.1f, 20.0f);
        m_pChecker = MakeChecker();
        m_pCube = MakeCube();
        m_pVolume = MakeVolume();
    }
    void TearDown() override
    {
        m_pDeclaration.Reset();
        m_pChecker.Reset();
        m_pCube.Reset();
        m_pVolume.Reset();
    }

    // Six faces of their own colours, each with a lighter band along its top rows.
    COrvComPtr<IDirect3DCubeTexture9> MakeCube()
    {
        COrvComPtr<IDirect3DCubeTexture9> pCube;
        m_device->CreateCubeTexture(16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    pCube.ReleaseAndGetAddressOf(), nullptr);
        const DWORD adwFaces[6] = {0xffc04040, 0xff40c040, 0xff4040c0,
                                   0xffc0c040, 0xffc040c0, 0xff40c0c0};
        for (UINT uFace = 0; uFace < 6; ++uFace)
        {
            D3DLOCKED_RECT locked;
            pCube->LockRect(D3DCUBEMAP_FACES(uFace), 0, &locked, nullptr, 0);
            for (UINT y = 0; y < 16; ++y)
                for (UINT x = 0; x < 16; ++x)
                    reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) +
                                             y * locked.Pitch)[x] =
                        y < 4 ? adwFaces[uFace] | 0x303030 : adwFaces[uFace];
            pCube->UnlockRect(D3DCUBEMAP_FACES(uFace), 0);
        }
        return pCube;
    }

    // 8 x 8 x 8 noise of grey levels.
    COrvComPtr<IDirect3DVolumeTexture9> MakeVolume()
    {
        COrvComPtr<IDirect3DVolumeTexture9> pVolume;
        m_device->CreateVolumeTexture(8, 8, 8, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED,
                                      pVolume.ReleaseAndGetAddressOf(), nullptr);
        D3DLOCKED_BOX locked;
        pVolume->LockBox(0, &locked, nullptr, 0);
        for (UINT z = 0; z < 8; ++z)
            for (UINT y = 0; y < 8; ++y)
                for (UINT x = 0; x < 8; ++x)
                    static_cast<BYTE*>(
                        locked.pBits)[z * locked.SlicePitch + y * locked.RowPitch + x] =
                        BYTE((x * 37 + y * 91 + z * 53) & 0xff);
        pVolume->UnlockBox(0);
        return pVolume;
    }

    // The texture a host gives a texture or sampler parameter.
    IDirect3DBaseTexture9* TextureFor(ID3DXEffect* pEffect, D3DXHANDLE h,
                                      const D3DXPARAMETER_DESC& desc)
    {
        if (desc.Type == D3DXPT_TEXTURECUBE || desc.Type == D3DXPT_SAMPLERCUBE)
            return m_pCube.Get();
        if (desc.Type == D3DXPT_TEXTURE3D || desc.Type == D3DXPT_SAMPLER3D)
            return m_pVolume.Get();
        for (const char* pName : {"ResourceType", "type"})
        {
            LPCSTR pValue = nullptr;
            D3DXHANDLE hAnnotation = pEffect->GetAnnotationByName(h, pName);
            if (!hAnnotation || FAILED(pEffect->GetString(hAnnotation, &pValue)) || !pValue)
                continue;
            std::string sValue = pValue;
            std::transform(sValue.begin(), sValue.end(), sValue.begin(), ::toupper);
            if (sValue == "CUBE")
                return m_pCube.Get();
            if (sValue == "3D" || sValue == "VOLUME")
                return m_pVolume.Get();
        }
        return m_pChecker.Get();
    }

    COrvComPtr<IDirect3DTexture9> MakeChecker()
    {
        COrvComPtr<IDirect3DTexture9> pTexture;
        m_device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                pTexture.ReleaseAndGetAddressOf(), nullptr);
        D3DLOCKED_RECT locked;
        pTexture->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < 16; ++y)
            for (UINT x = 0; x < 16; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                    ((x / 4 + y / 4) & 1) ? 0xffe0c080 : 0xc0406080;
        pTexture->UnlockRect(0);
        return pTexture;
    }

    // Sets what a host sets: transforms by their semantics, the time, a texture everywhere.
    void SetParameters(ID3DXEffect* pEffect)
    {
        D3DXMATRIX worldView = m_world * m_view, viewProjection = m_view * m_projection;
        D3DXMATRIX worldViewProjection = worldView * m_projection, inverse, transposed;
        D3DXEFFECT_DESC effect;
        pEffect->GetDesc(&effect);
        for (UINT i = 0; i < effect.Parameters; ++i)
        {
            D3DXHANDLE h = pEffect->GetParameter(nullptr, i);
            D3DXPARAMETER_DESC desc;
            pEffect->GetParameterDesc(h, &desc);
            std::string sSemantic = desc.Semantic ? desc.Semantic : "";
            std::transform(sSemantic.begin(), sSemantic.end(), sSemantic.begin(), ::toupper);
            if (desc.Type >= D3DXPT_TEXTURE && desc.Type <= D3DXPT_SAMPLERCUBE)
                pEffect->SetTexture(h, TextureFor(pEffect, h, desc));
            else if (sSemantic == "TIME")
                pEffect->SetFloat(h, 0.5f);
            else if (desc.Class == D3DXPC_MATRIX_ROWS || desc.Class == D3DXPC_MATRIX_COLUMNS)
            {
                const D3DXMATRIX* pMatrix = nullptr;
                if (sSemantic == "WORLD" || sSemantic == "WORLDMATRIXARRAY")
                    pMatrix = &m_world;
                else if (sSemantic == "VIEW")
                    pMatrix = &m_view;
                else if (sSemantic == "PROJECTION")
                    pMatrix = &m_projection;
                else if (sSemantic == "WORLDVIEW")
                    pMatrix = &worldView;
                else if (sSemantic == "VIEWPROJECTION")
                    pMatrix = &viewProjection;
                else if (sSemantic == "WORLDVIEWPROJECTION")
                    pMatrix = &worldViewProjection;
                else if (sSemantic == "WORLDINVERSETRANSPOSE")
                {
                    D3DXMatrixInverse(&inverse, nullptr, &m_world);
                    pMatrix = D3DXMatrixTranspose(&transposed, &inverse);
                }
                else if (sSemantic == "VIEWINVERSE")
                    pMatrix = D3DXMatrixInverse(&inverse, nullptr, &m_view);
                if (pMatrix)
                {
                    std::vector<D3DXMATRIX> aMatrices(std::max(1u, desc.Elements), *pMatrix);
                    pEffect->SetMatrixArray(h, aMatrices.data(), UINT(aMatrices.size()));
                }
            }
        }
        m_device->SetTransform(D3DTS_WORLD, &m_world);
        m_device->SetTransform(D3DTS_VIEW, &m_view);
        m_device->SetTransform(D3DTS_PROJECTION, &m_projection);
        m_device->SetTexture(0, m_pChecker.Get());
    }

    // Runs every pass of the current technique over the sphere; the share of pixels drawn.
    double DrawSphere(ID3DXEffect* pEffect)
    {
        const DWORD dwClear = 0xff203040;
        m_device->BeginScene();
        EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, dwClear, 1.0f, 0),
                  S_OK);
        OrvRunPasses(pEffect,
                     [&]
                     {
                         m_device->SetVertexDeclaration(m_pDeclaration.Get());
                         m_device->DrawIndexedPrimitiveUP(
                             D3DPT_TRIANGLELIST, 0, UINT(m_aVertices.size()),
                             UINT(m_aIndices.size() / 3), m_aIndices.data(), D3DFMT_INDEX16,
                             m_aVertices.data(), sizeof(SVertex));
                     });
        m_device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        size_t uDrawn = 0;
        for (UINT y = 0; y < image.m_uHeight; ++y)
            for (UINT x = 0; x < image.m_uWidth; ++x)
                uDrawn += image.At(x, y) != dwClear;
        m_image = image;
        return double(uDrawn) / double(image.m_uWidth * image.m_uHeight);
    }

    COrvTestDevice m_device{64, 64};
    COrvComPtr<IDirect3DVertexDeclaration9> m_pDeclaration;
    COrvComPtr<IDirect3DTexture9> m_pChecker;
    COrvComPtr<IDirect3DCubeTexture9> m_pCube;
    COrvComPtr<IDirect3DVolumeTexture9> m_pVolume;
    std::vector<SVertex> m_aVertices;
    std::vector<WORD> m_aIndices;
    D3DXMATRIX m_world, m_view, m_projection;
    SOrvImage m_image;
};
} // namespace

TEST_F(EffectCorpusTest, EveryFileDrawsOrIsRefusedWithItsReason)
{
    std::vector<std::string> asFiles = CorpusFiles();
    ASSERT_GE(asFiles.size(), 25u);
    for (const std::string& sFile : asFiles)
    {
        SCOPED_TRACE(sFile);
        std::string sExpect = Expectation(sFile);
        ASSERT_FALSE(sExpect.empty()) << "no expectation in its first line";
        std::string sPath = CorpusDir() + sFile;
        COrvComPtr<ID3DXEffect> pEffect;
        COrvComPtr<ID3DXBuffer> pErrors;
        HRESULT hr = D3DXCreateEffectFromFileA(m_device.Get(), sPath.c_str(), nullptr, nullptr, 0,
                                               nullptr, pEffect.ReleaseAndGetAddressOf(),
                                               pErrors.ReleaseAndGetAddressOf());
        std::string sErrors = pErrors ? static_cast<const char*>(pErrors->GetBufferPointer()) : "";
        pErrors.Reset();
        const std::string sRefused = "refused: ";
        if (sExpect.rfind(sRefused, 0) == 0)
        {
            EXPECT_TRUE(FAILED(hr));
            EXPECT_EQ(pEffect, nullptr);
            EXPECT_NE(sErrors.find(sExpect.substr(sRefused.size())), std::string::npos) << sErrors;
            EXPECT_EQ(sErrors.rfind(sPath + "(", 0), 0u) << "names the file: " << sErrors;
            continue;
        }
        ASSERT_EQ(hr, S_OK) << sErrors;
        SetParameters(pEffect.Get());
        D3DXHANDLE hTechnique = nullptr;
        ASSERT_EQ(pEffect->FindNextValidTechnique(nullptr, &hTechnique), S_OK);
        pEffect->SetTechnique(hTechnique);
        double dDrawn = DrawSphere(pEffect.Get());
        EXPECT_GT(dDrawn, 0.15) << "the first technique draws the sphere";
        EXPECT_TRUE(
            OrvMatchesGolden(m_image, "d3dx/corpus/" + sFile.substr(0, sFile.size() - 3), 4));
        // The other techniques run too.
        while (SUCCEEDED(pEffect->FindNextValidTechnique(hTechnique, &hTechnique)) && hTechnique)
        {
            pEffect->SetTechnique(hTechnique);
            DrawSphere(pEffect.Get());
        }
        pEffect.Reset();
    }
}

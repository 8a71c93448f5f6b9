#pragma once

#include "OrvExport.h"
#include "core/OrvObject.h"

#include "d3dx9.h"

#include <string>
#include <vector>

class COrvDemo;
class COrvResMaterial;

// Drawable geometry: a mesh from a .x file or one of the built-in shapes "teapot",
// "sphere" and "quad", with its bounding box and the material resources the file brought.
// Draw runs the material's effect (if any) with the standard parameters and draws every
// subset in every pass.
class ORV_API OGLObject : public COrvObject
{
public:
    OGLObject() = default;
    ~OGLObject() override;

    void SetDevice(IDirect3DDevice9* pDevice) { m_pDevice = pDevice; }
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }

    // Build the geometry; 1 when there is no device, else 0 (also when the file failed).
    int Load(const std::string& name, COrvDemo* pDemo);
    int CreateTexturedSphere(float radius, int segments);
    void Draw(COrvDemo* pDemo, COrvResMaterial* pMaterial);

    ID3DXMesh* GetMesh() const { return m_pMesh.Get(); }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return m_pVertexBuffer.Get(); }
    const std::vector<std::string>& GetMaterialNames() const { return m_MaterialNames; }
    DWORD GetMaterialCount() const { return m_dwMaterialCount; }
    const D3DXVECTOR3& GetBoxMin() const { return m_BoxMin; }
    const D3DXVECTOR3& GetBoxMax() const { return m_BoxMax; }
    const D3DXVECTOR3& GetCenter() const { return m_Center; }
    float GetDiagonal() const { return m_fDiagonal; }

private:
    void Free();
    bool LoadQuad();
    void LoadFile(const std::string& name, COrvDemo* pDemo);
    void AddFileMaterial(const std::string& name, COrvDemo* pDemo, DWORD index,
                         const D3DXMATERIAL& fileMaterial);
    void ComputeBox();

    IDirect3DDevice9* m_pDevice = nullptr;
    COrvComPtr<ID3DXMesh> m_pMesh;
    COrvComPtr<IDirect3DVertexBuffer9> m_pVertexBuffer;
    std::vector<std::string> m_MaterialNames;
    DWORD m_dwMaterialCount = 0;
    D3DXVECTOR3 m_BoxMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_BoxMax{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_Center{0.0f, 0.0f, 0.0f};
    float m_fDiagonal = 0.0f;
};

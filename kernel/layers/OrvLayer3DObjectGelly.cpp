#include "layers/OrvLayer3DObjectGelly.h"

#include "core/OrvProp.h"
#include "graphics/OGLObject.h"

#include <algorithm>
#include <cstring>

namespace
{
// Bytes of a buffer the way its description gives them; 0 when it cannot be asked.
UINT VertexBufferSize(IDirect3DVertexBuffer9* pBuffer)
{
    D3DVERTEXBUFFER_DESC desc{};
    return SUCCEEDED(pBuffer->GetDesc(&desc)) ? desc.Size : 0;
}

// The mesh's faces as a copy of its index buffer, cut to the faces the buffer really holds.
struct SFaces
{
    std::vector<uint8_t> indices;
    UINT count = 0;
    bool b32Bit = false;
};

SFaces ReadFaces(ID3DXMesh* pMesh)
{
    SFaces faces;
    COrvComPtr<IDirect3DIndexBuffer9> pBuffer;
    if (FAILED(pMesh->GetIndexBuffer(pBuffer.ReleaseAndGetAddressOf())) || !pBuffer)
        return faces;
    D3DINDEXBUFFER_DESC desc{};
    if (SUCCEEDED(pBuffer->GetDesc(&desc)))
    {
        faces.b32Bit = desc.Format == D3DFMT_INDEX32;
        const UINT faceBytes = faces.b32Bit ? 12 : 6;
        const UINT count = std::min<UINT>(pMesh->GetNumFaces(), desc.Size / faceBytes);
        void* pData = nullptr;
        if (count > 0 && SUCCEEDED(pBuffer->Lock(0, count * faceBytes, &pData, D3DLOCK_READONLY)) &&
            pData)
        {
            const auto* pBytes = static_cast<const uint8_t*>(pData);
            faces.indices.assign(pBytes, pBytes + size_t(count) * faceBytes);
            faces.count = count;
            pBuffer->Unlock();
        }
    }
    return faces;
}
} // namespace

COrvLayer3DObjectGelly::COrvLayer3DObjectGelly(COrvDemo* pDemo) : COrvLayer3DObject(pDemo) {}

COrvLayer3DObjectGelly::~COrvLayer3DObjectGelly() = default;

void COrvLayer3DObjectGelly::Draw()
{
    OGLObject* pObject = FindMesh();
    if (!pObject)
        return;
    if (ID3DXMesh* pMesh = pObject->GetMesh(); pMesh && Follow(pObject, pMesh))
        Deform(pMesh);
    DrawMesh(pObject, FALSE, 0.0f);
}

bool COrvLayer3DObjectGelly::Follow(const OGLObject* pObject, ID3DXMesh* pMesh)
{
    const bool bSame = m_Gelly.IsBuilt() && pObject == m_pFollowedObject &&
                       pMesh == m_pFollowedMesh &&
                       pMesh->GetNumVertices() == m_Gelly.VertexCount() &&
                       pMesh->GetNumBytesPerVertex() == m_Gelly.Stride();
    if (bSame)
        return true;
    m_pFollowedObject = pObject;
    m_pFollowedMesh = pMesh;
    return Build(pMesh);
}

bool COrvLayer3DObjectGelly::Build(ID3DXMesh* pMesh)
{
    m_Gelly.Clear();
    const UINT stride = pMesh->GetNumBytesPerVertex();
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    if (stride == 0 || FAILED(pMesh->GetVertexBuffer(pBuffer.ReleaseAndGetAddressOf())) || !pBuffer)
        return false;
    // Never more vertices than the buffer holds, whatever the mesh says.
    const UINT n =
        std::min<UINT>(pMesh->GetNumVertices(), VertexBufferSize(pBuffer.Get()) / stride);
    const SFaces faces = ReadFaces(pMesh);
    void* pData = nullptr;
    if (n > 0 && SUCCEEDED(pBuffer->Lock(0, n * stride, &pData, D3DLOCK_READONLY)) && pData)
    {
        m_Gelly.Build(pData, n, stride, faces.indices.data(), faces.count, faces.b32Bit,
                      COrvPropBase::m_siFrame);
        pBuffer->Unlock();
    }
    return m_Gelly.IsBuilt();
}

void COrvLayer3DObjectGelly::Deform(ID3DXMesh* pMesh)
{
    m_Gelly.Step(m_Gelly.TakeStep(COrvPropBase::m_siFrame));
    const uint8_t* pVertices = m_Gelly.UpdateVertexBytes();
    const UINT bytes = m_Gelly.VertexCount() * m_Gelly.Stride();
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    if (FAILED(pMesh->GetVertexBuffer(pBuffer.ReleaseAndGetAddressOf())) || !pBuffer)
        return;
    void* pData = nullptr;
    if (SUCCEEDED(pBuffer->Lock(0, bytes, &pData, D3DLOCK_DISCARD)) && pData)
    {
        std::memcpy(pData, pVertices, bytes);
        pBuffer->Unlock();
    }
}

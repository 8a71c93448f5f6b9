// libFuzzer target: any bytes given to the ".x" reader are refused with a message or give a
// mesh whose indices, attributes and side arrays all hold together. Built by
// tests/fuzz/CMakeLists.txt (ORV_FUZZ=ON).

#include "XFileLoader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    SOrvMeshData mesh;
    std::string sError;
    if (!COrvXFileLoader::LoadFromMemory(pData, size, mesh, sError))
    {
        if (sError.empty() || mesh.GetVertexCount() != 0)
            std::abort();
        return 0;
    }
    const size_t uVertices = mesh.GetVertexCount();
    if (mesh.GetFaceCount() == 0 || mesh.m_adwAttributes.size() != mesh.GetFaceCount() ||
        mesh.m_aMaterials.empty())
        std::abort();
    for (uint32_t u : mesh.m_auIndices)
        if (u >= uVertices)
            std::abort();
    for (DWORD dw : mesh.m_adwAttributes)
        if (dw >= mesh.m_aMaterials.size())
            std::abort();
    for (size_t uSize :
         {mesh.m_afNormals.size(), mesh.m_afTexCoords.size() / 2 * 3, mesh.m_adwColors.size() * 3})
        if (uSize != 0 && uSize != mesh.m_afPositions.size())
            std::abort();
    return 0;
}

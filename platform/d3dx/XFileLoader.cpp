#include "XFileLoader.h"

#include "XFileMesh.h"
#include "XFileParser.h"
#include "OrvWholeFile.h"

#include <vector>

bool COrvXFileLoader::LoadFromMemory(const void* pData, size_t uSize, SOrvMeshData& mesh,
                                     std::string& sError)
{
    mesh = SOrvMeshData();
    std::vector<SOrvXObject> objects;
    return COrvXFileParser::Parse(pData, uSize, objects, sError) &&
           COrvXMeshBuilder::Build(objects, mesh, sError);
}

bool COrvXFileLoader::Load(const std::string& sFileName, SOrvMeshData& mesh, std::string& sError)
{
    std::vector<char> acData;
    return OrvReadWholeFile(sFileName, COrvXFileParser::s_uMaxFileBytes, acData, sError) &&
           LoadFromMemory(acData.data(), acData.size(), mesh, sError);
}

#include "XFileLoader.h"

#include "XFileMesh.h"
#include "XFileParser.h"

#include <fstream>

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
    std::ifstream file(sFileName, std::ios::binary | std::ios::ate);
    if (!file)
    {
        sError = "cannot open " + sFileName;
        return false;
    }
    std::streamoff iSize = file.tellg();
    if (iSize < 0 || size_t(iSize) > COrvXFileParser::s_uMaxFileBytes)
    {
        sError = sFileName + " is too large";
        return false;
    }
    std::vector<char> acData(static_cast<size_t>(iSize));
    file.seekg(0);
    if (!file.read(acData.data(), iSize))
    {
        sError = "cannot read " + sFileName;
        return false;
    }
    return LoadFromMemory(acData.data(), acData.size(), mesh, sError);
}

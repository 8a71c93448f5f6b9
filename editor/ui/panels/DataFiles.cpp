#include "DataFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace orv::editor
{
namespace
{
bool SameBytes(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    if (fs::file_size(a, error) != fs::file_size(b, error) || error)
        return false;
    std::ifstream fileA(a, std::ios::binary);
    std::ifstream fileB(b, std::ios::binary);
    if (!fileA || !fileB)
        return false;
    return std::equal(std::istreambuf_iterator<char>(fileA), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fileB));
}

// The first name in the folder that is free or already holds the same bytes as the source.
fs::path FreeTarget(const fs::path& dataDir, const fs::path& source)
{
    const std::string sStem = source.stem().string();
    const std::string sExtension = source.extension().string();
    fs::path target = dataDir / source.filename();
    for (int i = 2; fs::exists(target) && !SameBytes(source, target); ++i)
        target = dataDir / (sStem + "-" + std::to_string(i) + sExtension);
    return target;
}
} // namespace

std::vector<std::string> ListDataFiles(const std::string& sDataDir, EDataFileKind eKind,
                                       size_t uLimit)
{
    std::vector<std::string> vNames;
    std::error_code error;
    const fs::path root(sDataDir);
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator() && vNames.size() < uLimit;
         it.increment(error))
    {
        if (!it->is_regular_file(error))
            continue;
        const std::string sName = it->path().lexically_relative(root).generic_string();
        if (IsDataFileOfKind(sName, eKind))
            vNames.push_back(sName);
    }
    std::sort(vNames.begin(), vNames.end());
    return vNames;
}

bool DataNameOf(const std::string& sDataDir, const std::string& sPath, std::string& sName)
{
    std::error_code error;
    const fs::path root = fs::weakly_canonical(fs::path(sDataDir), error);
    const fs::path file = fs::weakly_canonical(fs::path(sPath), error);
    if (error)
        return false;
    const fs::path relative = file.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..")
        return false;
    sName = relative.generic_string();
    return true;
}

bool ImportDataFile(const std::string& sDataDir, const std::string& sSource, std::string& sName,
                    std::string& sError)
{
    std::error_code error;
    const fs::path source(sSource);
    if (!fs::is_regular_file(source, error))
    {
        sError = "\"" + sSource + "\" is not a file that can be read";
        return false;
    }
    if (DataNameOf(sDataDir, sSource, sName))
        return true;
    fs::create_directories(sDataDir, error);
    const fs::path target = FreeTarget(fs::path(sDataDir), source);
    if (!fs::exists(target) && !fs::copy_file(source, target, fs::copy_options::none, error))
    {
        sError = "cannot copy \"" + sSource + "\" into " + sDataDir + ": " + error.message();
        return false;
    }
    sName = target.filename().string();
    return true;
}
} // namespace orv::editor

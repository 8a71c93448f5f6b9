#include "OrvTempDir.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace
{
// Makes a fresh folder "<parent>/<prefix>XXXXXX"; an empty path when it cannot.
std::filesystem::path MakeUnique(const std::filesystem::path& parent, const std::string& sPrefix)
{
    std::string sTemplate = (parent / (sPrefix + "XXXXXX")).string();
    return mkdtemp(sTemplate.data()) ? std::filesystem::path(sTemplate) : std::filesystem::path();
}

// Removed only by the process that made it: a forked child that exits leaves it alone.
class CTempRoot
{
public:
    CTempRoot() : m_iOwner(getpid())
    {
        std::error_code error;
        const std::filesystem::path system = std::filesystem::temp_directory_path(error);
        m_Path = MakeUnique(error ? "/tmp" : system,
                            std::string("orv_") + program_invocation_short_name + "_");
    }
    ~CTempRoot()
    {
        std::error_code error;
        if (getpid() == m_iOwner && !m_Path.empty())
            std::filesystem::remove_all(m_Path, error);
    }
    std::filesystem::path m_Path;

private:
    pid_t m_iOwner;
};
} // namespace

const std::filesystem::path& OrvTempRoot()
{
    static CTempRoot s_Root;
    return s_Root.m_Path;
}

COrvTempDir::COrvTempDir(const std::string& sName)
    : m_Previous(std::filesystem::current_path()), m_Path(MakeUnique(OrvTempRoot(), sName + "_"))
{
}

COrvTempDir::~COrvTempDir()
{
    std::error_code error;
    std::filesystem::current_path(m_Previous, error);
    if (!m_Path.empty())
        std::filesystem::remove_all(m_Path, error);
}

void COrvTempDir::Enter() const
{
    std::filesystem::current_path(m_Path);
}

std::string OrvReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void OrvWriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

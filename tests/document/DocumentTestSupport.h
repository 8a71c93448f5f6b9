#pragma once

// Helpers shared by the document tests: property access by identifier, a scratch folder,
// and a demo drawn on the recording device.
#include "OrvKernel.h"
#include "audio/OrvMusic.h"
#include "RecordingDevice.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>

template <typename TProp> TProp* FindProp(COrvModifiable* pObject, ORV_PROP_ID id)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            return dynamic_cast<TProp*>(pProp);
    return nullptr;
}

// A fresh folder under the build tree's temporary directory, removed at the end; the
// current directory is restored too, since loaders move into data folders.
class CScratchDir
{
public:
    explicit CScratchDir(const std::string& name)
        : m_Previous(std::filesystem::current_path()),
          m_Path(std::filesystem::temp_directory_path() /
                 ("orv_" + name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path / "data");
    }
    ~CScratchDir()
    {
        std::filesystem::current_path(m_Previous);
        std::filesystem::remove_all(m_Path);
    }
    const std::filesystem::path& Path() const { return m_Path; }

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Path;
};

inline std::string ReadFile(const std::filesystem::path& path)
{
    FILE* pFile = std::fopen(path.c_str(), "rb");
    if (!pFile)
        return {};
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        text.append(buffer, n);
    std::fclose(pFile);
    return text;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    FILE* pFile = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), pFile);
    std::fclose(pFile);
}

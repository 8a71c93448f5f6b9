#pragma once

// Temporary files of tests and benchmarks. Each program writes below a folder of its own in
// the system's temporary directory, made at first use and removed when the program ends. The
// tests' main (OrvTestMain.cpp) also makes it the program's TMPDIR and shader cache, so what
// the code under test writes there goes with it.
#include <filesystem>
#include <string>

// The program's own temporary folder.
const std::filesystem::path& OrvTempRoot();

// A fresh folder below OrvTempRoot(), removed with its contents when the object goes. The
// current directory of the moment of construction comes back then too: loaders move into
// data folders, and Enter() moves into this one.
class COrvTempDir
{
public:
    explicit COrvTempDir(const std::string& sName = "dir");
    ~COrvTempDir();
    COrvTempDir(const COrvTempDir&) = delete;
    COrvTempDir& operator=(const COrvTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    // The path of a file in the folder.
    std::string File(const std::string& sName) const { return (m_Path / sName).string(); }
    // Makes the folder the current directory.
    void Enter() const;

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Path;
};

// Whole files as text, for tests that write inputs and read outputs.
std::string OrvReadFile(const std::filesystem::path& path);
void OrvWriteFile(const std::filesystem::path& path, const std::string& text);

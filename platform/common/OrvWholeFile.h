#pragma once

// Reading a whole file into memory, as the effect, image and mesh loaders do.
#include <cstddef>
#include <fstream>
#include <string>

// Reads the file into rData (a std::string or a vector of bytes). False with a reason in
// sError ("cannot open <path>", "<path> is too large", "cannot read <path>") when it cannot
// be opened or read, or holds more than uMaxBytes.
template <class TBytes>
bool OrvReadWholeFile(const std::string& sPath, size_t uMaxBytes, TBytes& rData,
                      std::string& sError)
{
    std::ifstream file(sPath, std::ios::binary | std::ios::ate);
    if (!file)
    {
        sError = "cannot open " + sPath;
        return false;
    }
    const std::streamoff iSize = file.tellg();
    if (iSize < 0 || static_cast<unsigned long long>(iSize) > uMaxBytes)
    {
        sError = sPath + " is too large";
        return false;
    }
    rData.resize(static_cast<size_t>(iSize));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(rData.data()), iSize))
    {
        sError = "cannot read " + sPath;
        return false;
    }
    return true;
}

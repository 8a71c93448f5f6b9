#pragma once
// The demo's data folder as the file pickers see it: the files of a kind it holds, and
// files brought in from elsewhere, which are copied into it because a demo names its files
// relative to that folder (a demo folder moved or packed keeps working).

#include "PropertyKind.h"

#include <string>
#include <vector>

namespace orv::editor
{
// The files of the kind under the folder (subfolders included), as names relative to it
// with '/' between folders, sorted; at most uLimit of them.
std::vector<std::string> ListDataFiles(const std::string& sDataDir, EDataFileKind eKind,
                                       size_t uLimit = 5000);

// The name a demo gives a file: relative to the data folder when the file lies in it
// (true), else false.
bool DataNameOf(const std::string& sDataDir, const std::string& sPath, std::string& sName);

// Makes a file usable by the demo and gives the name to store: a file already in the data
// folder keeps its place; another is copied in, under its own file name or, when the data
// folder already holds a different file of that name, the first free "stem-2.ext",
// "stem-3.ext"... A file with the same bytes already there is used as it is. False with the
// reason when the source cannot be read or the copy cannot be written.
bool ImportDataFile(const std::string& sDataDir, const std::string& sSource, std::string& sName,
                    std::string& sError);
} // namespace orv::editor

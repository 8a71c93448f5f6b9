#pragma once
// The editor's command line: `OrvEditor [DEMO_FOLDER]` opens a demo (none: an empty editor
// that says how to open one), `OrvEditor --new DEMO_FOLDER` makes a new demo there first.
#include <string>
#include <vector>

struct SEditorOptions
{
    std::string sFolder;
    bool bCreate = false;
    bool bHelp = false;
};

// False with the reason when the arguments make no sense.
bool ParseEditorOptions(const std::vector<std::string>& args, SEditorOptions& options,
                        std::string& sError);
const char* GetEditorUsage();

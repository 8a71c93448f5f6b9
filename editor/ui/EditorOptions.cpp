#include "EditorOptions.h"

bool ParseEditorOptions(const std::vector<std::string>& args, SEditorOptions& options,
                        std::string& sError)
{
    options = SEditorOptions();
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& sArg = args[i];
        if (sArg == "--help" || sArg == "-h")
            options.bHelp = true;
        else if (sArg == "--new")
        {
            if (i + 1 >= args.size())
            {
                sError = "--new needs the folder of the new demo";
                return false;
            }
            options.bCreate = true;
            if (!options.sFolder.empty())
            {
                sError = "one demo folder at a time";
                return false;
            }
            options.sFolder = args[++i];
        }
        else if (sArg.size() > 1 && sArg[0] == '-')
        {
            sError = "unknown option " + sArg;
            return false;
        }
        else if (!options.sFolder.empty())
        {
            sError = "one demo folder at a time";
            return false;
        }
        else
            options.sFolder = sArg;
    }
    return true;
}

const char* GetEditorUsage()
{
    return "usage: OrvEditor [DEMO_FOLDER]\n"
           "       OrvEditor --new DEMO_FOLDER\n"
           "Opens the demo in DEMO_FOLDER (demo.orv and data/), or makes a new one there.\n";
}

// OrvEditor: makes and edits a demo (demo.orv and its data folder) without writing XML.
#include "EditorApp.h"
#include "EditorOptions.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    SEditorOptions options;
    std::string sError;
    if (!ParseEditorOptions(args, options, sError))
    {
        std::fprintf(stderr, "OrvEditor: %s\n%s", sError.c_str(), GetEditorUsage());
        return 2;
    }
    if (options.bHelp)
    {
        std::fputs(GetEditorUsage(), stdout);
        return 0;
    }
    CEditorApp app;
    return app.Run(options);
}

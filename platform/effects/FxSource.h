#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where each line of a preprocessed effect came from: the effect's own file or one of its
// #include files, and the line there. Messages of the parser, the preprocessor and the shader
// compiler all go through it, so that they point at the author's file and line.
class COrvFxLineMap
{
public:
    // A map that leaves lines as they are, in one file.
    explicit COrvFxLineMap(std::string sFile = "memory");

    // The next text line comes from line iLine of sFile.
    void AddLine(const std::string& sFile, int iLine);

    // "file(line)" for a 1-based line of the text; lines past the recorded ones continue the
    // last file.
    std::string Where(int iTextLine) const;
    const std::string& FileOf(int iTextLine) const;
    int LineOf(int iTextLine) const;
    // The file the text starts in (the effect's own).
    const std::string& GetMainFile() const { return m_asFiles[0]; }

private:
    struct SLine
    {
        uint32_t m_uFile;
        int m_iLine;
    };
    std::vector<std::string> m_asFiles;
    std::vector<SLine> m_aLines;
};

// An effect's text after preprocessing (macros expanded, #include files in place, directives
// other than #pragma gone) with the origin of each of its lines.
struct SOrvFxSource
{
    std::string m_sText;
    COrvFxLineMap m_lines;
};

// Turns the messages of glslang ("ERROR: name:12: text") into ours
// ("file(line): error: text"), with the line map telling where text line 12 came from when
// the name is sTextName; other names (files of their own) are kept with their line.
std::string OrvFxFormatGlslangLog(const std::string& sLog, const std::string& sTextName,
                                  const COrvFxLineMap& lines, int iFallbackLine);

#pragma once

// What a loader of a demo could not use: a broken demo file, an effect that does not
// compile, a missing image, mesh or music. The document collects them (COrvDemo::GetProblems)
// so that a host can tell the user which file and line to fix.
#include "OrvExport.h"

#include "d3dx9core.h"

#include <string>

struct ORV_LoadProblem
{
    std::string m_File; // the path of the file the loader opened
    int m_iLine = 0;    // 1-based; 0 when the problem concerns the whole file
    std::string m_Reason;
    // The name of the layer, resource or music track whose file it is; empty when the problem
    // concerns the demo file itself. Describe leaves it out: it names the file to fix.
    std::string m_Object;

    // "file:line: reason" (without ":line" when the line is unknown).
    std::string Describe() const
    {
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about ":" + to_string().
        std::string text = m_File;
        if (m_iLine > 0)
            text.append(1, ':').append(std::to_string(m_iLine));
        return text.append(": ").append(m_Reason);
    }
};

// The first message of a compiler's output that names a place: "file(line): text" or
// "file(line,column): text", messages containing "error" preferred. Without such a message
// the problem is the whole file, with the output's first line (or fallbackReason) as reason.
ORV_API ORV_LoadProblem OrvParseCompilerMessages(const std::string& messages,
                                                 const std::string& file,
                                                 const std::string& fallbackReason);

// The text a D3DX buffer holds (compiler messages), empty for null.
ORV_API std::string OrvBufferText(ID3DXBuffer* pBuffer);

// The 1-based line of a byte offset in a text.
ORV_API int OrvLineOfOffset(const std::string& text, size_t offset);

#include "document/OrvLoadProblem.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace
{
// Reads "name(line)" or "name(line,column)" followed by ": text".
bool ParseMessageLine(const std::string& line, int& rLine, std::string& rText)
{
    const size_t open = line.find('(');
    if (open == std::string::npos || open == 0)
        return false;
    size_t i = open + 1;
    int value = 0;
    size_t digits = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && digits < 9)
    {
        value = value * 10 + (line[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0)
        return false;
    if (i < line.size() && line[i] == ',')
    {
        ++i;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
            ++i;
    }
    if (line.compare(i, 3, "): ") != 0)
        return false;
    rLine = value;
    rText = line.substr(i + 3);
    return true;
}
} // namespace

ORV_LoadProblem OrvParseCompilerMessages(const std::string& messages, const std::string& file,
                                         const std::string& fallbackReason)
{
    ORV_LoadProblem problem{file, 0, fallbackReason, ""};
    std::istringstream lines(messages);
    std::string line;
    std::string firstLine;
    bool found = false;
    while (std::getline(lines, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (firstLine.empty())
            firstLine = line;
        int number = 0;
        std::string text;
        if (!ParseMessageLine(line, number, text))
            continue;
        const bool isError = text.find("error") != std::string::npos;
        if (!found || isError)
        {
            problem.m_iLine = number;
            problem.m_Reason = text;
            found = true;
        }
        if (isError)
            break;
    }
    if (!found && !firstLine.empty())
        problem.m_Reason = firstLine;
    return problem;
}

std::string OrvBufferText(ID3DXBuffer* pBuffer)
{
    if (!pBuffer || !pBuffer->GetBufferPointer())
        return std::string();
    const auto* pText = static_cast<const char*>(pBuffer->GetBufferPointer());
    std::string text(pText, pBuffer->GetBufferSize());
    // Compilers end their text with a terminating zero.
    const size_t end = text.find('\0');
    if (end != std::string::npos)
        text.resize(end);
    return text;
}

int OrvLineOfOffset(const std::string& text, size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

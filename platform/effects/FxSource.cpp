#include "FxSource.h"

#include <algorithm>
#include <cctype>
#include <sstream>

COrvFxLineMap::COrvFxLineMap(std::string sFile)
{
    m_asFiles.push_back(std::move(sFile));
}

void COrvFxLineMap::AddLine(const std::string& sFile, int iLine)
{
    // Files come in runs: the last one is nearly always the one asked for.
    uint32_t uFile = m_aLines.empty() ? 0 : m_aLines.back().m_uFile;
    if (m_asFiles[uFile] != sFile)
    {
        auto it = std::find(m_asFiles.begin(), m_asFiles.end(), sFile);
        uFile = uint32_t(it - m_asFiles.begin());
        if (it == m_asFiles.end())
            m_asFiles.push_back(sFile);
    }
    m_aLines.push_back({uFile, iLine});
}

const std::string& COrvFxLineMap::FileOf(int iTextLine) const
{
    if (m_aLines.empty())
        return m_asFiles[0];
    size_t uIndex = std::clamp<size_t>(size_t(std::max(iTextLine, 1) - 1), 0, m_aLines.size() - 1);
    return m_asFiles[m_aLines[uIndex].m_uFile];
}

int COrvFxLineMap::LineOf(int iTextLine) const
{
    if (iTextLine < 1 || m_aLines.empty())
        return std::max(iTextLine, 1);
    if (size_t(iTextLine) <= m_aLines.size())
        return m_aLines[size_t(iTextLine) - 1].m_iLine;
    return m_aLines.back().m_iLine + (iTextLine - int(m_aLines.size()));
}

std::string COrvFxLineMap::Where(int iTextLine) const
{
    return FileOf(iTextLine) + "(" + std::to_string(LineOf(iTextLine)) + ")";
}

namespace
{
// Splits "name:12: text" at the last ":<digits>:" before the text, so that names with
// colons of their own (paths) survive.
bool SplitLocation(const std::string& sRest, std::string& sName, int& iLine, std::string& sText)
{
    for (size_t uColon = sRest.find(':'); uColon != std::string::npos;
         uColon = sRest.find(':', uColon + 1))
    {
        size_t uDigits = uColon + 1;
        while (uDigits < sRest.size() && std::isdigit(static_cast<unsigned char>(sRest[uDigits])))
            ++uDigits;
        if (uDigits == uColon + 1 || uDigits >= sRest.size() || sRest[uDigits] != ':')
            continue;
        sName = sRest.substr(0, uColon);
        iLine = std::atoi(sRest.c_str() + uColon + 1);
        sText = sRest.substr(uDigits + 1);
        while (!sText.empty() && sText[0] == ' ')
            sText.erase(0, 1);
        return true;
    }
    return false;
}
} // namespace

std::string OrvFxFormatGlslangLog(const std::string& sLog, const std::string& sTextName,
                                  const COrvFxLineMap& lines, int iFallbackLine)
{
    std::istringstream stream(sLog);
    std::string sLine;
    std::string sResult;
    while (std::getline(stream, sLine))
    {
        if (sLine.rfind("ERROR: ", 0) != 0)
            continue;
        std::string sRest = sLine.substr(7);
        std::string sName;
        std::string sText;
        int iLine = 0;
        if (SplitLocation(sRest, sName, iLine, sText))
        {
            std::string sWhere =
                sName == sTextName ? lines.Where(iLine) : sName + "(" + std::to_string(iLine) + ")";
            sResult += sWhere + ": error: " + sText + "\n";
            continue;
        }
        if (sRest.find("compilation errors") != std::string::npos)
            continue;
        sResult += lines.Where(iFallbackLine) + ": error: " + sRest + "\n";
    }
    if (sResult.empty())
        sResult = lines.Where(iFallbackLine) + ": error: " + sLog + "\n";
    return sResult;
}

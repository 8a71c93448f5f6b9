#include "FxPreprocessor.h"

#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <strings.h>

namespace
{
// glslang's preprocessor unescapes string literals ("a\"b" comes out as "a"b"), which would
// break them for the effect parser. They travel through it as identifiers of this form and
// are put back afterwards, exactly as written.
const char s_szStringMark[] = "orv__str";
constexpr size_t s_uStringMarkLength = sizeof s_szStringMark - 1;

bool IsIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

void StripByteOrderMark(std::string& sText)
{
    if (sText.compare(0, 3, "\xEF\xBB\xBF") == 0)
        sText.erase(0, 3);
}

// True when the line starting at uPos is "#include" (spaces allowed around the '#').
bool IsIncludeLine(const std::string& sText, size_t uPos)
{
    while (uPos < sText.size() && (sText[uPos] == ' ' || sText[uPos] == '\t'))
        ++uPos;
    if (uPos >= sText.size() || sText[uPos] != '#')
        return false;
    ++uPos;
    while (uPos < sText.size() && (sText[uPos] == ' ' || sText[uPos] == '\t'))
        ++uPos;
    return sText.compare(uPos, 7, "include") == 0;
}

// "#pragma once" lines, blanked; true when there was one.
bool TakePragmaOnce(std::string& sText)
{
    bool bFound = false;
    size_t uLine = 0;
    while (uLine < sText.size())
    {
        size_t uEnd = sText.find('\n', uLine);
        if (uEnd == std::string::npos)
            uEnd = sText.size();
        std::istringstream line(sText.substr(uLine, uEnd - uLine));
        std::string sHash, sPragma, sOnce, sRest;
        line >> sHash;
        if (sHash == "#")
            line >> sPragma;
        else if (sHash.size() > 1 && sHash[0] == '#')
            sPragma = sHash.substr(1);
        line >> sOnce;
        if ((sHash == "#" || sHash[0] == '#') && sPragma == "pragma" && sOnce == "once" &&
            !(line >> sRest))
        {
            std::fill(sText.begin() + std::ptrdiff_t(uLine), sText.begin() + std::ptrdiff_t(uEnd),
                      ' ');
            bFound = true;
        }
        uLine = uEnd + 1;
    }
    return bFound;
}

class CStringTable
{
public:
    // Replaces every string literal outside comments and #include lines by its mark.
    std::string Protect(const std::string& sText)
    {
        std::string sOut;
        sOut.reserve(sText.size());
        bool bIncludeLine = IsIncludeLine(sText, 0);
        size_t i = 0;
        while (i < sText.size())
        {
            char c = sText[i];
            if (c == '\n')
            {
                sOut += c;
                bIncludeLine = IsIncludeLine(sText, ++i);
            }
            else if (sText.compare(i, 2, "//") == 0)
            {
                size_t uEnd = std::min(sText.find('\n', i), sText.size());
                sOut.append(sText, i, uEnd - i);
                i = uEnd;
            }
            else if (sText.compare(i, 2, "/*") == 0)
            {
                size_t uClose = sText.find("*/", i + 2);
                size_t uEnd = uClose == std::string::npos ? sText.size() : uClose + 2;
                sOut.append(sText, i, uEnd - i);
                i = uEnd;
            }
            else if (c == '"' && !bIncludeLine)
                i = ProtectString(sText, i, sOut);
            else
            {
                sOut += c;
                ++i;
            }
        }
        return sOut;
    }

    // Puts the literals back in place of their marks.
    std::string Restore(const std::string& sText) const
    {
        if (m_asStrings.empty())
            return sText;
        std::string sOut;
        sOut.reserve(sText.size());
        size_t i = 0;
        while (i < sText.size())
        {
            size_t uMark = sText.find(s_szStringMark, i);
            if (uMark == std::string::npos)
                break;
            size_t uDigits = uMark + s_uStringMarkLength;
            size_t uEnd = uDigits;
            while (uEnd < sText.size() && std::isdigit(static_cast<unsigned char>(sText[uEnd])))
                ++uEnd;
            bool bWhole = (uMark == 0 || !IsIdentChar(sText[uMark - 1])) && uEnd > uDigits &&
                          (uEnd == sText.size() || !IsIdentChar(sText[uEnd]));
            size_t uIndex = bWhole ? size_t(std::atol(sText.c_str() + uDigits)) : SIZE_MAX;
            sOut.append(sText, i, uMark - i);
            if (uIndex < m_asStrings.size())
                sOut += m_asStrings[uIndex];
            else
                sOut.append(sText, uMark, uEnd - uMark);
            i = uEnd;
        }
        sOut.append(sText, i, std::string::npos);
        return sOut;
    }

private:
    size_t ProtectString(const std::string& sText, size_t uBegin, std::string& sOut)
    {
        size_t i = uBegin + 1;
        while (i < sText.size() && sText[i] != '"' && sText[i] != '\n')
            i += sText[i] == '\\' && i + 1 < sText.size() && sText[i + 1] != '\n' ? 2 : 1;
        if (i >= sText.size() || sText[i] != '"')
        {
            // Unterminated: left for the parser to report.
            sOut.append(sText, uBegin, i - uBegin);
            return i;
        }
        m_asStrings.push_back(sText.substr(uBegin, i + 1 - uBegin));
        sOut += " " + std::string(s_szStringMark) + std::to_string(m_asStrings.size() - 1) + " ";
        return i + 1;
    }

    std::vector<std::string> m_asStrings;
};

std::string DirectoryOf(const std::string& sPath)
{
    size_t uSlash = sPath.find_last_of('/');
    return uSlash == std::string::npos ? std::string() : sPath.substr(0, uSlash + 1);
}

// The path of an existing file, matching each part of the name without regard to case when
// the exact name is missing (effect files written on Windows name their includes loosely).
std::string FindFile(const std::string& sPath)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(sPath, error))
        return sPath;
    std::filesystem::path path(sPath);
    std::filesystem::path found = path.is_absolute() ? path.root_path() : std::filesystem::path();
    for (const std::filesystem::path& part : path.relative_path())
    {
        std::filesystem::path exact = found / part;
        if (std::filesystem::exists(exact, error) || part == "." || part == "..")
        {
            found = exact;
            continue;
        }
        bool bMatched = false;
        std::filesystem::path directory = found.empty() ? "." : found;
        for (auto it = std::filesystem::directory_iterator(directory, error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error))
        {
            if (strcasecmp(it->path().filename().c_str(), part.c_str()) == 0)
            {
                found /= it->path().filename();
                bMatched = true;
                break;
            }
        }
        if (!bMatched)
            return std::string();
    }
    return std::filesystem::is_regular_file(found, error) ? found.string() : std::string();
}

bool ReadWholeFile(const std::string& sPath, std::string& sText)
{
    std::ifstream file(sPath, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    sText = contents.str();
    return bool(file) || file.eof();
}

// Gives glslang the #include files: from the host's handler or from disk.
class CIncluder : public glslang::TShader::Includer
{
public:
    CIncluder(ID3DXInclude* pHost, CStringTable& strings) : m_pHost(pHost), m_strings(strings) {}

    IncludeResult* includeLocal(const char* pName, const char* pIncluder, size_t uDepth) override
    {
        m_sLastLocal = pName;
        return Include(D3DXINC_LOCAL, pName, pIncluder, uDepth);
    }

    IncludeResult* includeSystem(const char* pName, const char* pIncluder, size_t uDepth) override
    {
        // glslang asks again as <name> after "name" failed; D3DX asks once.
        if (m_sLastLocal == pName)
            return Fail(m_sLastFailure);
        return Include(D3DXINC_SYSTEM, pName, pIncluder, uDepth);
    }

    void releaseInclude(IncludeResult* pResult) override
    {
        if (!pResult)
            return;
        auto* pHeld = static_cast<SHeld*>(pResult->userData);
        if (pHeld && pHeld->m_pHostData && m_pHost)
            m_pHost->Close(pHeld->m_pHostData);
        delete pHeld;
        delete pResult;
    }

private:
    struct SHeld
    {
        std::string m_sText;
        LPCVOID m_pHostData = nullptr;
    };

    IncludeResult* Fail(const std::string& sMessage)
    {
        m_sLastFailure = sMessage;
        auto* pHeld = new SHeld{sMessage, nullptr};
        return new IncludeResult(std::string(), pHeld->m_sText.data(), pHeld->m_sText.size(),
                                 pHeld);
    }

    IncludeResult* Include(D3DXINCLUDE_TYPE eType, const std::string& sName,
                           const std::string& sIncluder, size_t uDepth)
    {
        if (uDepth > COrvFxPreprocessor::s_uMaxIncludeDepth)
            return Fail("includes nested too deeply");
        if (++m_uOpened > COrvFxPreprocessor::s_uMaxIncludes)
            return Fail("too many include files");
        auto pHeld = std::make_unique<SHeld>();
        std::string sResolved;
        if (m_pHost)
        {
            auto itParent = m_parentData.find(sIncluder);
            LPCVOID pParent = itParent == m_parentData.end() ? nullptr : itParent->second;
            LPCVOID pData = nullptr;
            UINT uBytes = 0;
            if (FAILED(m_pHost->Open(eType, sName.c_str(), pParent, &pData, &uBytes)) || !pData)
                return Fail("the include handler cannot open it");
            pHeld->m_pHostData = pData;
            pHeld->m_sText.assign(static_cast<const char*>(pData), uBytes);
            sResolved = sName;
            m_parentData[sResolved] = pData;
        }
        else
        {
            std::string sPath = sName;
            for (char& c : sPath)
                c = c == '\\' ? '/' : c;
            std::string sBeside = DirectoryOf(sIncluder) + sPath;
            sResolved = FindFile(sPath[0] == '/' ? sPath : sBeside);
            if (sResolved.empty() && sPath[0] != '/')
                sResolved = FindFile(sPath);
            if (sResolved.empty() || !ReadWholeFile(sResolved, pHeld->m_sText))
                return Fail("cannot open the include file");
        }
        if (pHeld->m_sText.size() > COrvFxPreprocessor::s_uMaxOutputBytes)
            return Fail("the include file is too large");
        StripByteOrderMark(pHeld->m_sText);
        if (m_onceFiles.count(sResolved))
            pHeld->m_sText.clear();
        else if (TakePragmaOnce(pHeld->m_sText))
            m_onceFiles.insert(sResolved);
        pHeld->m_sText = m_strings.Protect(pHeld->m_sText);
        m_sLastLocal.clear();
        SHeld* pRaw = pHeld.release();
        return new IncludeResult(sResolved, pRaw->m_sText.data(), pRaw->m_sText.size(), pRaw);
    }

    ID3DXInclude* m_pHost;
    CStringTable& m_strings;
    std::map<std::string, LPCVOID> m_parentData;
    std::set<std::string> m_onceFiles;
    std::string m_sLastLocal;
    std::string m_sLastFailure;
    size_t m_uOpened = 0;
};

// "#define Name Definition" lines for the caller's macros, then the file's own line 1.
std::string MacroLines(const D3DXMACRO* pDefines)
{
    std::string sLines;
    for (const D3DXMACRO* p = pDefines; p && p->Name; ++p)
    {
        std::string sDefinition = p->Definition ? p->Definition : "";
        for (char& c : sDefinition)
            c = (c == '\n' || c == '\r') ? ' ' : c;
        sLines += std::string("#define ") + p->Name + " " + sDefinition + "\n";
    }
    return sLines.empty() ? sLines : sLines + "#line 1\n";
}

// Reads "#line N" or "#line N "name"" (glslang's markers and the author's own).
bool ReadLineMarker(const std::string& sLine, int& iLine, std::string& sFile)
{
    if (sLine.rfind("#line", 0) != 0)
        return false;
    std::istringstream in(sLine.substr(5));
    if (!(in >> iLine))
        return false;
    std::string sName;
    std::getline(in >> std::ws, sName);
    if (sName.size() >= 2 && sName.front() == '"' && sName.back() == '"')
        sFile = sName.substr(1, sName.size() - 2);
    return true;
}

void BuildSource(const std::string& sOutput, const std::string& sFileName, SOrvFxSource& result)
{
    result.m_sText.clear();
    result.m_sText.reserve(sOutput.size());
    result.m_lines = COrvFxLineMap(sFileName);
    std::string sFile = sFileName;
    int iNext = 1;
    size_t uPos = 0;
    while (uPos < sOutput.size())
    {
        size_t uEnd = sOutput.find('\n', uPos);
        if (uEnd == std::string::npos)
            uEnd = sOutput.size();
        std::string sLine = sOutput.substr(uPos, uEnd - uPos);
        int iMarker = 0;
        if (ReadLineMarker(sLine, iMarker, sFile))
        {
            result.m_lines.AddLine(sFile, std::max(iMarker - 1, 1));
            result.m_sText += '\n';
            iNext = iMarker;
        }
        else
        {
            result.m_lines.AddLine(sFile, iNext++);
            result.m_sText += sLine;
            result.m_sText += '\n';
        }
        uPos = uEnd + 1;
    }
}

void InitializeGlslang()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] { glslang::InitializeProcess(); });
}
} // namespace

bool COrvFxPreprocessor::Run(const std::string& sSource, const std::string& sFileName,
                             const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                             SOrvFxSource& result, std::string& sErrors)
{
    InitializeGlslang();
    CStringTable strings;
    std::string sText = sSource;
    StripByteOrderMark(sText);
    TakePragmaOnce(sText);
    sText = strings.Protect(MacroLines(pDefines) + sText);

    glslang::TShader shader(EShLangFragment);
    const char* pText = sText.c_str();
    const char* pName = sFileName.c_str();
    int iLength = int(sText.size());
    shader.setStringsWithLengthsAndNames(&pText, &iLength, &pName, 1);
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangFragment, glslang::EShClientOpenGL, 100);
    CIncluder includer(pInclude, strings);
    std::string sOutput;
    bool bOk =
        shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false,
                          EShMessages(EShMsgReadHlsl | EShMsgOnlyPreprocessor), &sOutput, includer);
    if (!bOk)
    {
        sErrors += strings.Restore(
            OrvFxFormatGlslangLog(shader.getInfoLog(), sFileName, COrvFxLineMap(sFileName), 1));
        return false;
    }
    if (sOutput.size() > s_uMaxOutputBytes)
    {
        sErrors += sFileName + "(1): error: the preprocessed effect is too large\n";
        return false;
    }
    BuildSource(strings.Restore(sOutput), sFileName, result);
    return true;
}

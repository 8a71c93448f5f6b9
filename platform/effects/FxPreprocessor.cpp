#include "FxPreprocessor.h"

#include "FxMacros.h"
#include "FxPpLexer.h"
#include "OrvWholeFile.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <strings.h>

namespace
{
bool WouldJoin(char cLast, char cNext);

void StripByteOrderMark(std::string& sText)
{
    if (sText.compare(0, 3, "\xEF\xBB\xBF") == 0)
        sText.erase(0, 3);
}

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

// One file being read: the effect itself or an #include file.
struct SFile
{
    std::string m_sText;
    std::string m_sName;      // as messages name it: the path found, or the host's name
    std::string m_sDirectory; // where it was found, for the #include files it names
    LPCVOID m_pHostData = nullptr;
    std::unique_ptr<COrvPpLexer> m_pLexer;
    struct SCondition
    {
        bool m_bActive; // lines are read
        bool m_bTaken;  // a branch was taken already
        bool m_bParentActive;
        bool m_bElse;
        int m_iLine;
    };
    std::vector<SCondition> m_aConditions;
    bool IsActive() const { return m_aConditions.empty() || m_aConditions.back().m_bActive; }
};

class CPreprocessor
{
public:
    CPreprocessor(const std::string& sFileName, ID3DXInclude* pInclude, SOrvFxSource& result,
                  std::string& sErrors)
        : m_pHost(pInclude), m_result(result), m_sErrors(sErrors), m_macros(m_asFileNames)
    {
        m_result.m_sText.clear();
        m_result.m_lines = COrvFxLineMap(sFileName);
        m_sMainName = sFileName;
    }
    ~CPreprocessor()
    {
        while (!m_aFiles.empty())
            CloseFile();
    }

    bool Run(const std::string& sSource, const D3DXMACRO* pDefines);

private:
    bool Fail(const std::string& sMessage, int iLine, uint32_t uFile = UINT32_MAX);
    bool DefineCallerMacros(const D3DXMACRO* pDefines);
    bool OpenFile(std::string sText, std::string sName, LPCVOID pHostData);
    void CloseFile();
    uint32_t FileIndex(const std::string& sName);
    bool Flush();
    void Emit(const SOrvPpToken& token);
    void EmitPlain(uint32_t uFile, int iLine);
    void EmitLine(const std::vector<SOrvPpToken>& line, size_t uFirst);
    bool Directive(std::vector<SOrvPpToken>& line);
    bool Conditional(const std::string& sName, std::vector<SOrvPpToken>& line);
    bool Include(std::vector<SOrvPpToken>& line);
    bool Resolve(const std::string& sName, bool bSystem, int iLine, std::string& sText,
                 std::string& sResolved, LPCVOID& pHostData);
    std::string FindOnDisk(const std::string& sName) const;
    bool LineDirective(std::vector<SOrvPpToken>& line);

    ID3DXInclude* m_pHost;
    SOrvFxSource& m_result;
    std::string& m_sErrors;
    std::string m_sMainName;
    std::vector<std::string> m_asFileNames; // by token file index
    COrvFxMacros m_macros;
    std::vector<std::unique_ptr<SFile>> m_aFiles; // the include stack
    std::vector<SOrvPpToken> m_aPending;          // text lines waiting for their macros
    std::string m_sPlain;                         // a line without tokens
    int m_iPendingDepth = 0;                      // of parentheses in m_aPending
    std::set<std::string> m_onceFiles;
    size_t m_uOpened = 0;
    uint32_t m_uOutFile = UINT32_MAX; // origin of the output line being written
    int m_iOutLine = 0;
};

bool CPreprocessor::Fail(const std::string& sMessage, int iLine, uint32_t uFile)
{
    if (uFile == UINT32_MAX)
        uFile = m_aFiles.empty() ? 0 : FileIndex(m_aFiles.back()->m_sName);
    std::string sName = uFile < m_asFileNames.size() ? m_asFileNames[uFile] : m_sMainName;
    m_sErrors += sName + "(" + std::to_string(iLine) + "): error: " + sMessage + "\n";
    return false;
}

uint32_t CPreprocessor::FileIndex(const std::string& sName)
{
    for (uint32_t i = uint32_t(m_asFileNames.size()); i > 0; --i)
        if (m_asFileNames[i - 1] == sName)
            return i - 1;
    m_asFileNames.push_back(sName);
    return uint32_t(m_asFileNames.size() - 1);
}

bool CPreprocessor::OpenFile(std::string sText, std::string sName, LPCVOID pHostData)
{
    auto pFile = std::make_unique<SFile>();
    StripByteOrderMark(sText);
    pFile->m_sText = std::move(sText);
    pFile->m_sName = std::move(sName);
    pFile->m_sDirectory = DirectoryOf(pFile->m_sName);
    pFile->m_pHostData = pHostData;
    pFile->m_pLexer = std::make_unique<COrvPpLexer>(pFile->m_sText, FileIndex(pFile->m_sName));
    m_aFiles.push_back(std::move(pFile));
    return true;
}

void CPreprocessor::CloseFile()
{
    if (m_aFiles.back()->m_pHostData && m_pHost)
        m_pHost->Close(m_aFiles.back()->m_pHostData);
    m_aFiles.pop_back();
}

// The caller's macros, each as "#define Name Definition".
bool CPreprocessor::DefineCallerMacros(const D3DXMACRO* pDefines)
{
    uint32_t uFile = FileIndex(m_sMainName);
    for (const D3DXMACRO* p = pDefines; p && p->Name; ++p)
    {
        std::string sLine = std::string(p->Name) + " " + (p->Definition ? p->Definition : "");
        for (char& c : sLine)
            c = (c == '\n' || c == '\r') ? ' ' : c;
        COrvPpLexer lexer(sLine, uFile);
        std::vector<SOrvPpToken> tokens;
        lexer.NextLine(tokens);
        std::string sError;
        if (!m_macros.Define(tokens, 0, sError))
            return Fail("in the macros given to the compiler: " + sError, 1, uFile);
    }
    return true;
}

bool CPreprocessor::Run(const std::string& sSource, const D3DXMACRO* pDefines)
{
    if (!DefineCallerMacros(pDefines) || !OpenFile(sSource, m_sMainName, nullptr))
        return false;
    std::vector<SOrvPpToken> line;
    auto isMacro = [this](std::string_view sName)
    { return !m_macros.IsEmpty() && m_macros.IsDefined(sName); };
    while (!m_aFiles.empty())
    {
        SFile& file = *m_aFiles.back();
        // Lines without directives or macros go out as they are, without tokens.
        int iPlainLine = 0;
        if (m_aPending.empty() && file.m_pLexer->NextPlainLine(
                                      file.IsActive() ? &m_sPlain : nullptr, iPlainLine, isMacro))
        {
            EmitPlain(file.m_pLexer->GetFile(), iPlainLine);
            continue;
        }
        if (!file.m_pLexer->NextLine(line))
        {
            if (file.m_pLexer->HasError())
                return Fail(file.m_pLexer->GetError(), file.m_pLexer->GetErrorLine());
            if (!file.m_aConditions.empty())
                return Fail("#if without #endif", file.m_aConditions.back().m_iLine);
            if (!Flush())
                return false;
            CloseFile();
            continue;
        }
        if (!line.empty() && line[0].Is("#"))
        {
            if (!Flush() || !Directive(line))
                return false;
        }
        else if (file.IsActive())
        {
            for (const SOrvPpToken& token : line)
                m_iPendingDepth += token.Is("(") ? 1 : token.Is(")") ? -1 : 0;
            m_aPending.insert(m_aPending.end(), std::make_move_iterator(line.begin()),
                              std::make_move_iterator(line.end()));
            // Out at once unless a macro call may go on into the next line.
            bool bOpenCall =
                m_iPendingDepth > 0 ||
                (!m_aPending.empty() && m_macros.IsFunctionLike(m_aPending.back().m_sText));
            if (!bOpenCall && !Flush())
                return false;
        }
        if (m_result.m_sText.size() > COrvFxPreprocessor::s_uMaxOutputBytes)
            return Fail("the preprocessed effect is too large", line.empty() ? 1 : line[0].m_iLine);
    }
    if (!m_result.m_sText.empty())
        m_result.m_sText += '\n';
    return true;
}

// Expands the text lines read since the last directive and writes them out.
bool CPreprocessor::Flush()
{
    if (m_aPending.empty())
        return true;
    std::string sError;
    int iLine = m_aPending[0].m_iLine;
    uint32_t uFile = m_aPending[0].m_uFile;
    if (!m_macros.Expand(m_aPending, sError))
        return Fail(sError, iLine, uFile);
    for (const SOrvPpToken& token : m_aPending)
        Emit(token);
    m_aPending.clear();
    m_iPendingDepth = 0;
    return true;
}

// True when two tokens written one after the other would read as one ("a" "b", "<" "<").
bool WouldJoin(char cLast, char cNext)
{
    auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    if (isWord(cLast) && (isWord(cNext) || cNext == '.'))
        return true;
    if (cLast == '.' && isWord(cNext))
        return true;
    return std::strchr("+-<>=!&|^%*/#:.", cLast) && std::strchr("+-<>=&|/*#:.", cNext);
}

// Writes a token on the output line of its origin, starting a new line when the origin
// changes; a space goes where the source had one or where tokens would otherwise join.
void CPreprocessor::Emit(const SOrvPpToken& token)
{
    if (token.m_uFile != m_uOutFile || token.m_iLine != m_iOutLine)
    {
        if (m_uOutFile != UINT32_MAX)
            m_result.m_sText += '\n';
        m_uOutFile = token.m_uFile;
        m_iOutLine = token.m_iLine;
        m_result.m_lines.AddLine(m_asFileNames[token.m_uFile], token.m_iLine);
    }
    else if (token.m_bSpace || WouldJoin(m_result.m_sText.back(), token.m_sText[0]))
        m_result.m_sText += ' ';
    m_result.m_sText += token.m_sText;
}

// A plain line (m_sPlain), on output lines of its own.
void CPreprocessor::EmitPlain(uint32_t uFile, int iLine)
{
    if (m_sPlain.find_first_not_of(" \t\r\f\v\n") != std::string::npos)
    {
        if (m_uOutFile != UINT32_MAX)
            m_result.m_sText += '\n';
        m_result.m_lines.AddLine(m_asFileNames[uFile], iLine);
        m_result.m_sText += m_sPlain;
        for (size_t uBreak = m_sPlain.find('\n'); uBreak != std::string::npos;
             uBreak = m_sPlain.find('\n', uBreak + 1))
            m_result.m_lines.AddLine(m_asFileNames[uFile], ++iLine);
        m_uOutFile = UINT32_MAX - 1; // the next token starts a new line
    }
    m_sPlain.clear();
}

// A directive kept for the shader compiler (#pragma), on a line of its own.
void CPreprocessor::EmitLine(const std::vector<SOrvPpToken>& line, size_t uFirst)
{
    if (m_uOutFile != UINT32_MAX)
        m_result.m_sText += '\n';
    m_result.m_lines.AddLine(m_asFileNames[line[0].m_uFile], line[0].m_iLine);
    m_result.m_sText += "#";
    for (size_t i = uFirst; i < line.size(); ++i)
        m_result.m_sText += (i == uFirst ? "" : " ") + line[i].m_sText;
    m_uOutFile = UINT32_MAX - 1; // the next token starts a new line
}

bool CPreprocessor::Directive(std::vector<SOrvPpToken>& line)
{
    SFile& file = *m_aFiles.back();
    if (line.size() == 1)
        return true; // the null directive
    const std::string& sName = line[1].m_sText;
    int iLine = line[0].m_iLine;
    if (sName == "if" || sName == "ifdef" || sName == "ifndef" || sName == "elif" ||
        sName == "else" || sName == "endif")
        return Conditional(sName, line);
    if (!file.IsActive())
        return true;
    std::string sError;
    if (sName == "define")
        return m_macros.Define(line, 2, sError) || Fail(sError, iLine);
    if (sName == "undef")
    {
        if (line.size() < 3 || line[2].m_eKind != EOrvPpToken::Identifier)
            return Fail("#undef needs a macro name", iLine);
        m_macros.Undefine(line[2].m_sText);
        return true;
    }
    if (sName == "include")
        return Include(line);
    if (sName == "line")
        return LineDirective(line);
    if (sName == "error")
    {
        std::string sText;
        for (size_t i = 2; i < line.size(); ++i)
            sText += (i > 2 ? " " : "") + line[i].m_sText;
        return Fail("#error " + sText, iLine);
    }
    if (sName == "pragma")
    {
        if (line.size() == 3 && line[2].m_sText == "once")
            m_onceFiles.insert(file.m_sName);
        else
            EmitLine(line, 1);
        return true;
    }
    if (sName == "warning" || sName == "ident" || sName == "sccs")
        return true;
    return Fail("unknown directive '#" + sName + "'", iLine);
}

bool CPreprocessor::Conditional(const std::string& sName, std::vector<SOrvPpToken>& line)
{
    SFile& file = *m_aFiles.back();
    auto& conditions = file.m_aConditions;
    int iLine = line[0].m_iLine;
    std::string sError;
    bool bValue = false;
    if (sName == "if" || sName == "ifdef" || sName == "ifndef")
    {
        bool bParent = file.IsActive();
        if (bParent && sName == "if")
        {
            if (!m_macros.Evaluate({line.begin() + 2, line.end()}, bValue, sError))
                return Fail("#if: " + sError, iLine);
        }
        else if (bParent)
        {
            if (line.size() < 3 || line[2].m_eKind != EOrvPpToken::Identifier)
                return Fail("#" + sName + " needs a macro name", iLine);
            bValue = m_macros.IsDefined(line[2].m_sText) == (sName == "ifdef");
        }
        conditions.push_back({bParent && bValue, bParent && bValue, bParent, false, iLine});
        return true;
    }
    if (conditions.empty())
        return Fail("#" + sName + " without #if", iLine);
    SFile::SCondition& condition = conditions.back();
    if (sName == "endif")
    {
        conditions.pop_back();
        return true;
    }
    if (condition.m_bElse)
        return Fail("#" + sName + " after #else", iLine);
    if (sName == "else")
    {
        condition.m_bElse = true;
        condition.m_bActive = condition.m_bParentActive && !condition.m_bTaken;
        condition.m_bTaken = true;
        return true;
    }
    // #elif: evaluated only when no branch was taken.
    condition.m_bActive = false;
    if (!condition.m_bParentActive || condition.m_bTaken)
        return true;
    if (!m_macros.Evaluate({line.begin() + 2, line.end()}, bValue, sError))
        return Fail("#elif: " + sError, iLine);
    condition.m_bActive = condition.m_bTaken = bValue;
    return true;
}

bool CPreprocessor::Include(std::vector<SOrvPpToken>& line)
{
    int iLine = line[0].m_iLine;
    std::vector<SOrvPpToken> name(line.begin() + 2, line.end());
    std::string sError;
    if (!name.empty() && name[0].m_eKind == EOrvPpToken::Identifier &&
        !m_macros.Expand(name, sError))
        return Fail(sError, iLine);
    std::string sName;
    bool bSystem = false;
    if (name.size() == 1 && name[0].m_sText.size() >= 2 &&
        (name[0].m_eKind == EOrvPpToken::String || name[0].m_eKind == EOrvPpToken::HeaderName))
    {
        sName = name[0].m_sText.substr(1, name[0].m_sText.size() - 2);
        bSystem = name[0].m_eKind == EOrvPpToken::HeaderName;
    }
    else if (name.size() >= 3 && name.front().Is("<") && name.back().Is(">"))
    {
        for (size_t i = 1; i + 1 < name.size(); ++i)
            sName += name[i].m_sText;
        bSystem = true;
    }
    else
        return Fail("#include needs \"file\" or <file>", iLine);
    if (m_aFiles.size() > COrvFxPreprocessor::s_uMaxIncludeDepth)
        return Fail("cannot open include file '" + sName + "': includes nested too deeply", iLine);
    if (++m_uOpened > COrvFxPreprocessor::s_uMaxIncludes)
        return Fail("cannot open include file '" + sName + "': too many include files", iLine);
    std::string sText, sResolved;
    LPCVOID pHostData = nullptr;
    if (!Resolve(sName, bSystem, iLine, sText, sResolved, pHostData))
        return false;
    if (m_onceFiles.count(sResolved))
    {
        if (pHostData && m_pHost)
            m_pHost->Close(pHostData);
        return true;
    }
    return OpenFile(std::move(sText), sResolved, pHostData);
}

// #include "name": from the host's handler alone when there is one, else from the disk.
bool CPreprocessor::Resolve(const std::string& sName, bool bSystem, int iLine, std::string& sText,
                            std::string& sResolved, LPCVOID& pHostData)
{
    const SFile& includer = *m_aFiles.back();
    if (m_pHost)
    {
        UINT uBytes = 0;
        if (FAILED(m_pHost->Open(bSystem ? D3DXINC_SYSTEM : D3DXINC_LOCAL, sName.c_str(),
                                 includer.m_pHostData, &pHostData, &uBytes)) ||
            !pHostData)
        {
            pHostData = nullptr;
            return Fail("cannot open include file '" + sName + "': the include handler has none",
                        iLine);
        }
        sText.assign(static_cast<const char*>(pHostData), uBytes);
        sResolved = sName;
    }
    else
    {
        sResolved = FindOnDisk(sName);
        std::string sReadError; // the size is checked below, with a message of its own
        if (sResolved.empty() || !OrvReadWholeFile(sResolved, SIZE_MAX, sText, sReadError))
            return Fail("cannot open include file '" + sName + "'", iLine);
    }
    if (sText.size() > COrvFxPreprocessor::s_uMaxOutputBytes)
        return Fail("include file '" + sName + "' is too large", iLine);
    return true;
}

// The search of the C compilers the effect files were written for: beside the including file,
// then beside the file that included that one, and so on out to the effect file, then the
// current directory. Shader packs rely on it: "includes/Light.fxh" named inside
// includes/Standard.fxh means the folder of the effect, not includes/includes/. The nearest
// folder wins when two hold a file of that name.
std::string CPreprocessor::FindOnDisk(const std::string& sName) const
{
    std::string sPath = sName;
    for (char& c : sPath)
        c = c == '\\' ? '/' : c;
    if (sPath.empty())
        return std::string();
    if (sPath[0] == '/')
        return FindFile(sPath);
    std::set<std::string> tried;
    for (auto it = m_aFiles.rbegin(); it != m_aFiles.rend(); ++it)
    {
        const std::string& sDirectory = (*it)->m_sDirectory;
        if (!tried.insert(sDirectory).second)
            continue;
        std::string sFound = FindFile(sDirectory + sPath);
        if (!sFound.empty())
            return sFound;
    }
    return tried.count(std::string()) ? std::string() : FindFile(sPath);
}

// #line N ["name"]: the next line is line N (of that file).
bool CPreprocessor::LineDirective(std::vector<SOrvPpToken>& line)
{
    int iLine = line[0].m_iLine;
    std::vector<SOrvPpToken> arguments(line.begin() + 2, line.end());
    std::string sError;
    if (!m_macros.Expand(arguments, sError))
        return Fail(sError, iLine);
    long lNumber = arguments.empty() ? -1 : std::strtol(arguments[0].m_sText.c_str(), nullptr, 10);
    if (arguments.empty() || arguments[0].m_eKind != EOrvPpToken::Number || lNumber < 0 ||
        lNumber > 0x7fffffff || arguments.size() > 2 ||
        (arguments.size() == 2 && arguments[1].m_eKind != EOrvPpToken::String))
        return Fail("#line needs a line number and optionally a file name", iLine);
    SFile& file = *m_aFiles.back();
    if (arguments.size() == 2)
    {
        const std::string& sQuoted = arguments[1].m_sText;
        file.m_sName = sQuoted.substr(1, sQuoted.size() - 2);
        file.m_pLexer->SetFile(FileIndex(file.m_sName));
    }
    file.m_pLexer->SetNextLine(int(lNumber));
    return true;
}
} // namespace

bool COrvFxPreprocessor::Run(const std::string& sSource, const std::string& sFileName,
                             const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                             SOrvFxSource& result, std::string& sErrors)
{
    CPreprocessor preprocessor(sFileName, pInclude, result, sErrors);
    return preprocessor.Run(sSource, pDefines);
}

#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Preprocessing tokens of an effect file, in logical lines: backslash-newlines are spliced,
// comments are white space, and each token remembers the file and physical line it came from.
enum class EOrvPpToken : uint8_t
{
    Identifier,
    Number,     // a preprocessing number: 1, 0x1F, 1.5f, 2e-3, .5h
    String,     // "..." with its quotes and escapes as written
    Char,       // '...'
    HeaderName, // <...> after #include
    Punct,      // one to three characters: ( ) , # ## << <<= ...
    Other,      // any other character
    // Only while macros expand: the end of a macro's replacement (m_sText names the macro),
    // and the empty argument of a ## operand.
    EndOfMacro,
    Placemarker,
};

struct SOrvPpToken
{
    std::string m_sText;
    EOrvPpToken m_eKind = EOrvPpToken::Other;
    bool m_bSpace = false;    // white space before it
    bool m_bNoExpand = false; // a macro name that must not expand again (it named itself)
    uint32_t m_uFile = 0;
    int m_iLine = 0;

    bool Is(const char* pPunct) const { return m_eKind == EOrvPpToken::Punct && m_sText == pPunct; }
};

class COrvPpLexer
{
public:
    // uFile tags the tokens; lines count from iFirstLine.
    COrvPpLexer(std::string_view sText, uint32_t uFile, int iFirstLine = 1);

    // The tokens of the next logical line (possibly none, for a blank line). False at the
    // end of the text. An unterminated comment ends the text with an error.
    bool NextLine(std::vector<SOrvPpToken>& tokens);
    bool HasError() const { return !m_sError.empty(); }
    const std::string& GetError() const { return m_sError; }
    int GetErrorLine() const { return m_iErrorLine; }
    // Line of the last token returned (the start of the next line once a line is done).
    int GetLine() const { return m_iLine; }
    // The next logical line as plain text, for lines that need no tokens: no directive, no
    // name for which isMacro is true (nor __LINE__, __FILE__). Comments become spaces, their
    // line breaks stay; iLine is the line it starts on. pOut null skips the line. False, with
    // nothing consumed, for a line that needs NextLine, and at the end.
    bool NextPlainLine(std::string* pOut, int& iLine,
                       const std::function<bool(std::string_view)>& isMacro);

    // Moves the line count, as "#line N" does: the next line is iNext.
    void SetNextLine(int iNext) { m_iLine = iNext; }
    // Tags the following tokens with another file ("#line N "name"").
    void SetFile(uint32_t uFile) { m_uFile = uFile; }
    uint32_t GetFile() const { return m_uFile; }

private:
    void CountSplices();
    void AppendWithoutComments(std::string& sOut, size_t uBegin, size_t uEnd) const;
    bool SkipSpace(bool& bNewLine);
    void ReadToken(SOrvPpToken& token, bool bHeaderName);

    std::string_view m_sText;       // without backslash-newlines
    std::string m_sSpliced;         // the text when it had some
    std::vector<size_t> m_aSplices; // where they were in m_sText
    size_t m_uSplice = 0;           // the next one to count
    size_t m_uCopied = 0;
    size_t m_uPos = 0;
    int m_iLine;
    uint32_t m_uFile;
    std::string m_sError;
    int m_iErrorLine = 0;
};

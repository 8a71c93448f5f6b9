#pragma once

#include "wintypes.h"

#include <string>
#include <string_view>
#include <vector>

// Splits an effect file into tokens, remembering where each one lies in the text so that the
// effect parser can blank out the parts that only the effect framework understands while
// keeping every line where it was (compiler messages then point at the author's lines).
enum class EOrvFxToken
{
    Identifier,
    Number,
    String,
    Punct,     // one or two characters: { } ( ) [ ] < > = ; , : . + - * / ! && || == ...
    Directive, // a whole preprocessor line, kept for the shader compiler
    End,
};

struct SOrvFxToken
{
    EOrvFxToken m_eKind = EOrvFxToken::End;
    std::string m_sText; // strings without their quotes
    size_t m_uBegin = 0; // byte range in the source
    size_t m_uEnd = 0;
    int m_iLine = 1;
};

class COrvFxLexer
{
public:
    // Tokenizes the whole text; returns false (with a message) on an unterminated comment
    // or string. The last token is always End.
    bool Tokenize(std::string_view sSource, std::vector<SOrvFxToken>& tokens, std::string& sError,
                  int& iErrorLine);

private:
    void SkipSpaceAndComments();
    bool ReadToken(SOrvFxToken& token);

    std::string_view m_sSource;
    size_t m_uPos = 0;
    int m_iLine = 1;
    bool m_bError = false;
    std::string m_sError;
    int m_iErrorLine = 0;
};

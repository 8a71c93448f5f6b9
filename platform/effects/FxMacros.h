#pragma once

#include "FxPpLexer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The macros of an effect file being preprocessed: definitions, expansion as the C
// preprocessor does it (object- and function-like macros, # and ##, __VA_ARGS__, a macro
// never expanding inside its own expansion, __LINE__ and __FILE__) and the evaluation of
// #if conditions.
class COrvFxMacros
{
public:
    // File names by token file index, for __FILE__.
    explicit COrvFxMacros(const std::vector<std::string>& asFileNames) : m_asFileNames(asFileNames)
    {
    }

    // "#define" from the line's tokens after the directive name. False with a message.
    bool Define(const std::vector<SOrvPpToken>& line, size_t uStart, std::string& sError);
    void Undefine(const std::string& sName) { m_macros.erase(sName); }
    bool IsDefined(std::string_view sName) const { return m_macros.find(sName) != m_macros.end(); }
    bool IsFunctionLike(std::string_view sName) const
    {
        auto it = m_macros.find(sName);
        return it != m_macros.end() && it->second.m_bFunction;
    }
    bool IsEmpty() const { return m_macros.empty(); }

    // Replaces the macros in a run of text lines. False with a message (an unterminated
    // call, an expansion that grows without end).
    bool Expand(std::vector<SOrvPpToken>& tokens, std::string& sError);

    // Evaluates the condition of #if or #elif (the tokens after the directive name).
    bool Evaluate(std::vector<SOrvPpToken> tokens, bool& bValue, std::string& sError);

    // Expansion limits: tokens one Expand may produce, nesting of macro arguments.
    static constexpr size_t s_uMaxTokens = 1u << 20;
    static constexpr int s_iMaxDepth = 64;

private:
    struct SMacro
    {
        std::vector<std::string> m_asParams;
        std::vector<SOrvPpToken> m_aBody;
        bool m_bFunction = false;
        bool m_bVariadic = false;
    };
    using CTokens = std::vector<SOrvPpToken>;

    bool ExpandWith(CTokens& tokens, std::vector<std::string>& active, int iDepth,
                    std::string& sError);
    bool CollectArguments(CTokens& input, std::vector<std::string>& active, const SMacro& macro,
                          const SOrvPpToken& name, std::vector<CTokens>& args, std::string& sError);
    bool Substitute(const SMacro& macro, const std::vector<CTokens>& args,
                    std::vector<std::string>& active, int iDepth, CTokens& out,
                    std::string& sError);
    bool Special(SOrvPpToken& token) const; // __LINE__, __FILE__
    bool Grow(size_t uCount, std::string& sError);

    struct SHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_map<std::string, SMacro, SHash, std::equal_to<>> m_macros;
    const std::vector<std::string>& m_asFileNames;
    size_t m_uProduced = 0;
};

// Pastes two tokens ("a" ## "b"): the token their texts make, or an Other token when they
// make none.
SOrvPpToken OrvPpPaste(const SOrvPpToken& left, const SOrvPpToken& right);

// "#x": the tokens as a string literal.
SOrvPpToken OrvPpStringize(const std::vector<SOrvPpToken>& tokens, const SOrvPpToken& where);

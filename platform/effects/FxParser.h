#pragma once

#include "FxFile.h"
#include "FxLexer.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads the structure of an effect file: global parameters (semantics, annotations, initial
// values), texture and sampler_state declarations, shader variables and techniques with
// their passes. Everything the shader compiler cannot read is blanked out of a copy of the
// source, so that line numbers still match the author's file. Function bodies and structs
// are passed through untouched.
class COrvFxParser
{
public:
    // Returns false with "file(line): error: text" lines in sErrors on a malformed file.
    bool Parse(std::string_view sSource, const std::string& sFileName, SOrvFxFile& file,
               std::string& sErrors);

private:
    struct SEdit
    {
        size_t m_uBegin;
        size_t m_uEnd;
        std::string m_sReplacement; // empty: blank the range, keeping its line breaks
    };
    struct SShaderVariable
    {
        std::string m_sName;
        SOrvFxShader m_shader;
    };

    const SOrvFxToken& Peek(size_t uAhead = 0) const;
    const SOrvFxToken& Next();
    bool IsPunct(const char* pText, size_t uAhead = 0) const;
    bool IsIdent(const char* pText, size_t uAhead = 0) const; // case-insensitive
    bool Expect(const char* pPunct);
    bool Fail(const std::string& sMessage, int iLine = 0);
    void Blank(size_t uBegin, size_t uEnd);
    void Replace(size_t uBegin, size_t uEnd, std::string sText);
    bool SkipGroup(); // skips a balanced (), [], {} or <> group starting at the current token
    bool SkipTo(const char* pPunct); // skips to the token (at depth 0), not consuming it

    bool ParseTopLevel();
    bool ParseDeclaration();
    bool ParseDeclarator(SOrvFxParameter prototype, bool bStaticOrConst, bool bShaderVar);
    bool ParseTechnique();
    bool ParsePass(SOrvFxPass& pass);
    bool ParseAnnotations(std::vector<SOrvFxParameter>& annotations);
    bool ParseStateBlock(std::vector<SOrvFxState>& states, SOrvFxPass* pPass);
    bool ParseStateValue(SOrvFxValue& value, SOrvFxShader* pShader, bool bShaderState);
    bool ParseCompile(SOrvFxShader& shader);
    bool ParseInitializer(SOrvFxParameter& parameter);
    bool EvaluateNumbers(size_t uBegin, size_t uEnd, std::vector<float>& afValues);
    void ChooseSamplerTypes();

    std::vector<SOrvFxToken> m_aTokens;
    size_t m_uPos = 0;
    std::string_view m_sSource;
    std::string m_sFileName;
    std::string m_sErrors;
    std::vector<SEdit> m_aEdits;
    std::vector<SShaderVariable> m_aShaderVariables;
    std::vector<std::string> m_asStructNames;
    std::vector<std::pair<std::string, size_t>> m_aGenericSamplers; // name, type token
    size_t m_uTypeToken = 0;
    SOrvFxFile* m_pFile = nullptr;
};

// Fills class, type, rows and columns from a type name ("float4x4", "sampler2D", "bool3").
// Returns false for a name that is neither a built-in type nor one of the given structs.
bool OrvFxDescribeType(const std::string& sTypeName, SOrvFxParameter& parameter);

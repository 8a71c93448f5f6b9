#pragma once

#include "FxFile.h"
#include "FxFunctions.h"
#include "FxLexer.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads the structure of a preprocessed effect file: global parameters (semantics,
// annotations, initial values), texture and sampler_state declarations, shader variables and
// arrays, and techniques with their passes. Everything the shader compiler cannot read is
// blanked out of a copy of the source, so that lines stay where they were. Function bodies
// and structs are passed through untouched.
//
// Values the language lets an author compute are computed: array sizes and annotation values
// from static constants, initial values, and state assignments, which are folded when
// constant and otherwise kept as expressions of parameters for the pass to evaluate when it
// begins. What cannot be honoured (assembly shaders, unknown states, Direct3D 10 and 11
// effects) fails with a message naming the file, the line and the construct.
class COrvFxParser
{
public:
    // Returns false with "file(line): error: text" lines in sErrors.
    bool Parse(const SOrvFxSource& source, SOrvFxFile& file, std::string& sErrors);
    // The same for text that needs no preprocessing, named sFileName in messages.
    bool Parse(std::string_view sSource, const std::string& sFileName, SOrvFxFile& file,
               std::string& sErrors);

    // Elements a parameter or shader array may have.
    static constexpr UINT s_uMaxElements = 65536;

private:
    struct SEdit
    {
        size_t m_uBegin;
        size_t m_uEnd;
        std::string m_sReplacement; // empty: blank the range, keeping its line breaks
    };
    struct SShaderVariable
    {
        std::vector<SOrvFxShader> m_aShaders;
        bool m_bArray = false;
    };
    struct SConstant
    {
        std::vector<float> m_afValue;
        size_t m_uPerElement = 0;
    };
    struct SStruct
    {
        std::vector<SOrvFxParameter> m_aMembers;
    };
    class CConstantResolver;
    class CStateResolver;

    const SOrvFxToken& Peek(size_t uAhead = 0) const;
    const SOrvFxToken& Next();
    bool IsPunct(const char* pText, size_t uAhead = 0) const;
    bool IsIdent(const char* pText, size_t uAhead = 0) const; // case-insensitive
    bool Expect(const char* pPunct);
    bool Fail(const std::string& sMessage, int iLine = 0);
    bool Refuse10(const std::string& sConstruct, int iLine = 0);
    void Blank(size_t uBegin, size_t uEnd);
    void Replace(size_t uBegin, size_t uEnd, std::string sText);
    bool SkipGroup(); // skips a balanced (), [], {} or <> group starting at the current token
    bool SkipTo(const char* pPunct); // skips to the token (at depth 0), not consuming it
    bool SkipValue();                // to the ',' or ';' that ends a value, not consuming it

    bool ParseTopLevel();
    bool ParseStruct();
    bool ParseDeclaration();
    bool ParseType(SOrvFxParameter& prototype);
    bool ParseDeclarator(SOrvFxParameter prototype, bool bStaticOrConst, bool bShaderVar);
    bool ParseArraySize(UINT& uElements, int iLine);
    bool CheckParameters(const SOrvFxToken& function, size_t uOpen, size_t uClose);
    bool ParseShaderVariable(const std::string& sName, UINT uElements, int iLine);
    bool ParseTechnique();
    bool ParseAnnotations(std::vector<SOrvFxParameter>& annotations);
    bool ParseStateBlock(std::vector<SOrvFxState>& states, SOrvFxPass* pPass);
    bool ParseStateValue(SOrvFxValue& value);
    bool ParseAngleValue(SOrvFxValue& value);
    bool ParseShaderValue(SOrvFxShaderSlot& slot, const std::string& sState);
    bool ParseCompile(SOrvFxShader& shader);
    bool ParseInitializer(SOrvFxParameter& parameter, bool bUnsized);
    bool ParseStaticConstant(const SOrvFxParameter& constant);
    bool EvaluateConstant(size_t uBegin, size_t uEnd, std::vector<float>& afValues,
                          std::string& sError) const;
    bool ResolveStates(std::vector<SOrvFxState>& states, bool bInSamplerBlock);
    bool ResolveState(SOrvFxState& state, bool bInSamplerBlock);
    bool InlineFunctions(SOrvFxState& state);
    bool ResolveShaderIndex(SOrvFxShaderSlot& slot, int iLine);
    bool ResolveAll();
    void ChooseSamplerTypes();
    void RewriteForGlslang();
    const SOrvFxParameter* FindParameter(const std::string& sName) const;

    std::vector<SOrvFxToken> m_aTokens;
    size_t m_uPos = 0;
    std::string_view m_sSource;
    const COrvFxLineMap* m_pLines = nullptr;
    std::string m_sErrors;
    std::vector<SEdit> m_aEdits;
    std::map<std::string, SShaderVariable> m_shaderVariables;
    std::map<std::string, SConstant> m_constants;
    std::map<std::string, SStruct> m_structs;
    std::vector<std::string> m_asTypedefs;
    COrvFxFunctions m_functions; // for state values that call them
    std::vector<std::pair<std::string, size_t>> m_aGenericSamplers; // name, type token
    size_t m_uTypeToken = 0;
    SOrvFxFile* m_pFile = nullptr;
};

// Fills class, type, rows and columns from a type name ("float4x4", "sampler2D", "bool3").
// Returns false for a name that is neither a built-in type nor one of the given structs.
bool OrvFxDescribeType(const std::string& sTypeName, SOrvFxParameter& parameter);

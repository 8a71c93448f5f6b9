#pragma once

#include "FxExpression.h"
#include "FxSource.h"
#include "wintypes.h"

#include <memory>
#include <string>
#include <vector>

// What an effect file says, apart from its shader code: the parameters with their types,
// semantics, annotations and initial values, the sampler states, and the techniques with
// their passes, shaders and state assignments. Built by COrvFxParser.

// Parameter classes and types, with the numbering of the effect interface.
enum EOrvFxClass : UINT
{
    ORV_FXC_SCALAR = 0,
    ORV_FXC_VECTOR = 1,
    ORV_FXC_MATRIX_ROWS = 2,
    ORV_FXC_MATRIX_COLUMNS = 3,
    ORV_FXC_OBJECT = 4,
    ORV_FXC_STRUCT = 5,
};

enum EOrvFxType : UINT
{
    ORV_FXT_VOID = 0,
    ORV_FXT_BOOL = 1,
    ORV_FXT_INT = 2,
    ORV_FXT_FLOAT = 3,
    ORV_FXT_STRING = 4,
    ORV_FXT_TEXTURE = 5,
    ORV_FXT_TEXTURE1D = 6,
    ORV_FXT_TEXTURE2D = 7,
    ORV_FXT_TEXTURE3D = 8,
    ORV_FXT_TEXTURECUBE = 9,
    ORV_FXT_SAMPLER = 10,
    ORV_FXT_SAMPLER1D = 11,
    ORV_FXT_SAMPLER2D = 12,
    ORV_FXT_SAMPLER3D = 13,
    ORV_FXT_SAMPLERCUBE = 14,
    ORV_FXT_PIXELSHADER = 15,
    ORV_FXT_VERTEXSHADER = 16,
};

// A value on the right of '=': numbers (constant expressions are folded at creation), a
// string, a bare name (FALSE, LINEAR, CCW, or a parameter), a reference to a parameter written
// <Name> or (Name), or an expression of parameters that the pass evaluates when it begins.
struct SOrvFxValue
{
    enum EKind
    {
        None,
        Numbers,
        String,
        Name,
        Reference,
        Expression,
    };
    EKind m_eKind = None;
    std::vector<float> m_afNumbers;
    DWORD m_dwValue = 0; // Numbers: the value as the state takes it (exact for colours)
    std::string m_sText;
    std::shared_ptr<const SOrvFxExpr> m_pExpr;
};

// "compile vs_2_0 Entry(args)" in a pass or a shader variable.
struct SOrvFxShader
{
    bool m_bPresent = false; // false: NULL, the fixed-function stage
    std::string m_sProfile;
    std::string m_sEntry;
    std::vector<std::string> m_asArguments; // literal arguments bound to uniform parameters
    int m_iLine = 0;
};

// One "Name[Index] = Value;" of a pass or of a sampler_state block.
struct SOrvFxState
{
    std::string m_sName;
    UINT m_uIndex = 0;
    SOrvFxValue m_value;
    int m_iLine = 0;
};

struct SOrvFxParameter
{
    std::string m_sName;
    std::string m_sSemantic;
    std::string m_sTypeName; // as written: "float4x4", "texture", "sampler2D", ...
    UINT m_uClass = ORV_FXC_SCALAR;
    UINT m_uType = ORV_FXT_FLOAT;
    UINT m_uRows = 1;
    UINT m_uColumns = 1;
    UINT m_uElements = 0;     // 0: not an array
    bool m_bInShader = false; // a uniform that the shader code declares
    std::vector<SOrvFxParameter> m_aAnnotations;
    std::vector<SOrvFxParameter> m_aMembers; // of a struct, in order
    std::vector<float> m_afValue;            // initial value: GetValueCount() floats
    std::string m_sString;                   // initial value of a string
    std::vector<SOrvFxState> m_aSamplerStates;
    // A sampler array's sampler_state of each element (none when it has no initial value).
    std::vector<std::vector<SOrvFxState>> m_aaElementStates;
    int m_iLine = 0;

    // Floats of the value: rows x columns, or the members' for a struct, per element.
    UINT GetValueCount() const;
    UINT GetBytes() const; // size in bytes as the effect reports it
    bool IsNumeric() const { return m_uClass <= ORV_FXC_MATRIX_COLUMNS; }
    bool HasValue() const { return IsNumeric() || m_uClass == ORV_FXC_STRUCT; }
    bool IsSampler() const { return m_uType >= ORV_FXT_SAMPLER && m_uType <= ORV_FXT_SAMPLERCUBE; }
    bool IsTexture() const { return m_uType >= ORV_FXT_TEXTURE && m_uType <= ORV_FXT_TEXTURECUBE; }
};

// The shader of one stage of a pass: none (the fixed-function stage), one, or the elements
// of a shader array of which m_pIndex picks one when the pass begins
// ("VertexShader = (vsArray[CurNumBones]);").
struct SOrvFxShaderSlot
{
    std::vector<SOrvFxShader> m_aChoices;
    std::shared_ptr<const SOrvFxExpr> m_pIndex; // null: the first choice
    bool IsPresent() const
    {
        for (const SOrvFxShader& shader : m_aChoices)
            if (shader.m_bPresent)
                return true;
        return false;
    }
};

struct SOrvFxPass
{
    std::string m_sName;
    std::vector<SOrvFxParameter> m_aAnnotations;
    std::vector<SOrvFxState> m_aStates; // render, sampler and texture-stage states, in order
    SOrvFxShaderSlot m_vertexShader;
    SOrvFxShaderSlot m_pixelShader;
    int m_iLine = 0;
};

struct SOrvFxTechnique
{
    std::string m_sName;
    std::vector<SOrvFxParameter> m_aAnnotations;
    std::vector<SOrvFxPass> m_aPasses;
    int m_iLine = 0;
};

struct SOrvFxFile
{
    std::vector<SOrvFxParameter> m_aParameters;
    std::vector<SOrvFxTechnique> m_aTechniques;
    // The preprocessed file with every effect-only construct blanked out (lines kept),
    // ready for the shader compiler, and where its lines came from.
    std::string m_sShaderSource;
    COrvFxLineMap m_lines;
};

#pragma once

#include "FxFile.h"
#include "FxTranslator.h"
#include "d3d9.h"

#include <string>
#include <unordered_map>
#include <vector>

// A texture unit of a pass: the sampler parameter it serves, and the element of an array.
struct SOrvFxSamplerUnit
{
    size_t m_uParameter;
    UINT m_uElement;
    bool operator==(const SOrvFxSamplerUnit& other) const
    {
        return m_uParameter == other.m_uParameter && m_uElement == other.m_uElement;
    }
};

// The GL side of an effect: every pass's shader stages translated (through the shader cache)
// and compiled once at creation, the sampler units of each pass, and the uniform locations
// of every program the device links for them.
class COrvFxPrograms
{
public:
    COrvFxPrograms() = default;
    COrvFxPrograms(const COrvFxPrograms&) = delete;
    COrvFxPrograms& operator=(const COrvFxPrograms&) = delete;
    ~COrvFxPrograms();

    // Translates and compiles the stages of every pass. False with messages in sErrors.
    bool Build(IDirect3DDevice9* pDevice, const SOrvFxFile& file, std::string& sErrors);

    // Installs the pass's stages on the device (fixed function where a stage is absent), the
    // given choices of its shader arrays, and returns the program for the current state (0:
    // fixed function only, or linking failed).
    unsigned int Use(size_t uTechnique, size_t uPass, size_t uVertexChoice, size_t uPixelChoice);

    // Samplers of a pass, in unit order (unit n = index n); an array takes a unit per element.
    const std::vector<SOrvFxSamplerUnit>& GetSamplerUnits(size_t uTechnique, size_t uPass) const;

    // Sets every uniform the program uses from the parameters' values, and the sampler
    // uniforms to their units.
    void Upload(unsigned int uProgram, size_t uTechnique, size_t uPass,
                const std::vector<std::vector<float>>& aafValues);

    // Deletes the GL objects (the device's context is made current first).
    void Release();

private:
    struct SStage
    {
        SOrvGlslShader m_glsl;
        unsigned int m_uGlShader = 0;
    };
    struct SPass
    {
        // Indices into m_aStages, -1 for the fixed-function stage: one per vertex shader
        // choice, and one per pair of vertex and pixel shader choices (the pixel stage zeroes
        // the inputs its vertex stage does not write).
        std::vector<int> m_aiVertex;
        std::vector<std::vector<int>> m_aaiPixel;
        std::vector<SOrvFxSamplerUnit> m_aSamplerUnits; // of every choice
    };
    struct SSlot
    {
        int m_iLocation;
        unsigned int m_uType; // GL type of the uniform
        int m_iSize;          // array length
        size_t m_uParameter;  // parameter index, or the unit for samplers
        size_t m_uOffset;     // first float of the uniform in the parameter's value
        bool m_bSampler;
        std::string m_sSampler; // sampler parameter name
    };

    void TranslateMissing();
    bool Translate(const SOrvFxShader& shader, EOrvShaderStage eStage, SOrvGlslShader& glsl,
                   std::string& sErrors);
    bool BuildPass(const SOrvFxPass& pass, SPass& compiled, std::string& sErrors);
    void AddSamplerUnits(int iStage, SPass& compiled) const;
    int AddStage(const SOrvFxShader& shader, EOrvShaderStage eStage,
                 const std::vector<std::string>& asMissingInputs, std::string& sErrors);
    bool Compile(SStage& stage, const SOrvFxShader& shader, std::string& sErrors);
    std::vector<std::string> FindMissingInputs(const SStage* pVertex,
                                               const SOrvGlslShader& pixel) const;
    const std::vector<SSlot>& GetSlots(unsigned int uProgram);

    IDirect3DDevice9* m_pDevice = nullptr;
    const SOrvFxFile* m_pFile = nullptr;
    std::vector<SStage> m_aStages;
    std::unordered_map<std::string, int> m_stageByKey;
    std::unordered_map<std::string, SOrvGlslShader> m_translated;
    std::unordered_map<std::string, std::string> m_failed; // messages, by cache key
    std::vector<std::vector<SPass>> m_aaPasses;
    std::unordered_map<unsigned int, std::vector<SSlot>> m_slotsByProgram;
};

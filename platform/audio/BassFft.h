#pragma once

#include <memory>

struct kiss_fftr_state;

namespace orv::bass
{
// Magnitude spectrum of a block of mono samples: Hann window, real FFT of GetSize()
// samples, GetSize() / 2 magnitudes scaled so that a full-scale sine centred on a bin
// gives 1.0 in that bin. Compute may run on several threads at once.
class CBassSpectrum
{
public:
    explicit CBassSpectrum(int size);
    ~CBassSpectrum();
    CBassSpectrum(const CBassSpectrum&) = delete;
    CBassSpectrum& operator=(const CBassSpectrum&) = delete;

    int GetSize() const { return m_iSize; }
    // pSamples: GetSize() samples; pOut: GetSize() / 2 magnitudes, bin 0 (DC) first.
    void Compute(const float* pSamples, float* pOut) const;

private:
    int m_iSize;
    kiss_fftr_state* m_pConfig;
    std::unique_ptr<float[]> m_pWindow;
    float m_fScale;
};
} // namespace orv::bass

#include "BassFft.h"
#include "OrvPi.h"

#include <kiss_fftr.h>

#include <cmath>
#include <new>
#include <vector>

namespace orv::bass
{
CBassSpectrum::CBassSpectrum(int size)
    : m_iSize(size), m_pConfig(kiss_fftr_alloc(size, 0, nullptr, nullptr)),
      m_pWindow(new float[size])
{
    if (!m_pConfig)
        throw std::bad_alloc();
    double sum = 0.0;
    for (int i = 0; i < size; ++i)
    {
        const double w = 0.5 - 0.5 * std::cos(2.0 * orv::dPi * i / size);
        m_pWindow[i] = static_cast<float>(w);
        sum += w;
    }
    // A sine of amplitude A centred on a bin gives |X| = A × sum(w) / 2.
    m_fScale = static_cast<float>(2.0 / sum);
}

CBassSpectrum::~CBassSpectrum()
{
    kiss_fftr_free(m_pConfig);
}

void CBassSpectrum::Compute(const float* pSamples, float* pOut) const
{
    thread_local std::vector<kiss_fft_scalar> windowed;
    thread_local std::vector<kiss_fft_cpx> bins;
    windowed.resize(m_iSize);
    bins.resize(m_iSize / 2 + 1);
    for (int i = 0; i < m_iSize; ++i)
        windowed[i] = pSamples[i] * m_pWindow[i];
    kiss_fftr(m_pConfig, windowed.data(), bins.data());
    for (int i = 0; i < m_iSize / 2; ++i)
        pOut[i] = std::hypot(bins[i].r, bins[i].i) * m_fScale;
}
} // namespace orv::bass

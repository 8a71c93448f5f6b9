#include "layers/OrvParticleCloud.h"

#include "core/OrvRandom.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
bool g_bFirstUpdateDone = false;

float Wrap(float v)
{
    if (v < -1.0f)
        v += 2.0f;
    if (v > 1.0f)
        v -= 2.0f;
    return v;
}

// The step's constants: the attractors' pull, the spring, and the two damping factors.
struct SStepFactors
{
    float P;  // pull of an attractor
    float nk; // minus the spring's stiffness
    float k1; // force to velocity
    float k2; // damping
    float dt;
};

SStepFactors MakeFactors(float dt, float fPower, float fRessort)
{
    return {fPower * 0.1f, -fRessort, dt * 0.01f, dt * 0.02f, dt};
}

#if defined(__SSE2__)
// a where mask is set, else b.
inline __m128 Select(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

inline __m128 WrapFour(__m128 v)
{
    const __m128 one = _mm_set1_ps(1.0f), two = _mm_set1_ps(2.0f);
    v = Select(_mm_cmplt_ps(v, _mm_set1_ps(-1.0f)), _mm_add_ps(v, two), v);
    return Select(_mm_cmpgt_ps(v, one), _mm_sub_ps(v, two), v);
}
#endif
} // namespace

ORV_ParticleCloud::ORV_ParticleCloud(int iParticles, int iAttractors)
{
    const size_t n = static_cast<size_t>(std::max(iParticles, 0));
    for (std::vector<float>* pArray : {&m_aX, &m_aY, &m_aZ, &m_aVX, &m_aVY, &m_aVZ})
        pArray->assign(n, 0.0f);
    m_Attractors.resize(static_cast<size_t>(std::max(iAttractors, 0)));
    Scatter();
}

void ORV_ParticleCloud::Scatter()
{
    for (size_t i = 0; i < m_aX.size(); ++i)
    {
        m_aX[i] = ORV_Random::NextSigned();
        m_aY[i] = 0.0f;
        m_aZ[i] = ORV_Random::NextSigned();
        ORV_Random::Next(); // a third draw, not used
        m_aVX[i] = m_aVY[i] = m_aVZ[i] = 0.0f;
    }
    for (ORV_Particle& attractor : m_Attractors)
    {
        attractor.m_vPosition.x = ORV_Random::NextSigned();
        attractor.m_vPosition.y = ORV_Random::NextSigned();
        attractor.m_vPosition.z = ORV_Random::NextSigned();
        D3DXVECTOR3 direction;
        direction.x = static_cast<float>(ORV_Random::Next());
        direction.y = static_cast<float>(ORV_Random::Next());
        direction.z = static_cast<float>(ORV_Random::Next());
        D3DXVec3Normalize(&direction, &direction);
        attractor.m_vVelocity =
            D3DXVECTOR3(direction.x * 0.1f, direction.y * 0.1f, direction.z * 0.1f);
    }
}

bool ORV_ParticleCloud::Step(float fFrame, float fPower, float fRessort)
{
    float dt = 0.0f;
    if (!TakeStep(fFrame, dt))
        return false;
    Advance(dt, fPower, fRessort);
    return true;
}

bool ORV_ParticleCloud::TakeStep(float fFrame, float& rfStep)
{
    rfStep = 0.0f;
    if (!std::isfinite(fFrame))
        return false;
    if (!g_bFirstUpdateDone)
    {
        m_fLastFrame = fFrame;
        g_bFirstUpdateDone = true;
        return false;
    }
    float dt = fFrame - m_fLastFrame;
    m_fLastFrame = fFrame;
    if (fFrame == 0.0f)
        Scatter();
    rfStep = std::clamp(dt, -kMaxStep, kMaxStep);
    return true;
}

void ORV_ParticleCloud::MoveAttractors(float dt)
{
    for (ORV_Particle& attractor : m_Attractors)
    {
        D3DXVECTOR3& p = attractor.m_vPosition;
        p += dt * attractor.m_vVelocity;
        p = D3DXVECTOR3(Wrap(p.x), Wrap(p.y), Wrap(p.z));
    }
}

void ORV_ParticleCloud::MoveParticles(int iFrom, int iTo, float dt, float fPower, float fRessort)
{
    const SStepFactors f = MakeFactors(dt, fPower, fRessort);
    for (int i = iFrom; i < iTo; ++i)
    {
        const float x = m_aX[i], y = m_aY[i], z = m_aZ[i];
        float fx = 0.0f, fy = 0.0f, fz = 0.0f;
        for (const ORV_Particle& attractor : m_Attractors)
        {
            const float dx = attractor.m_vPosition.x - x;
            const float dy = attractor.m_vPosition.y - y;
            const float dz = attractor.m_vPosition.z - z;
            const float q = dx * dx + dy * dy + dz * dz;
            if (q > 0.0f)
            {
                const float r = std::sqrt(q);
                if (r < 1.0f)
                {
                    const float s = f.P / r;
                    fx += dx * s;
                    fy += dy * s;
                    fz += dz * s;
                }
            }
        }
        fy += f.nk * y;
        m_aVX[i] += f.k1 * fx - f.k2 * m_aVX[i];
        m_aVY[i] += f.k1 * fy - f.k2 * m_aVY[i];
        m_aVZ[i] += f.k1 * fz - f.k2 * m_aVZ[i];
        m_aX[i] = Wrap(x + f.dt * m_aVX[i]);
        m_aY[i] = Wrap(y + f.dt * m_aVY[i]);
        m_aZ[i] = Wrap(z + f.dt * m_aVZ[i]);
    }
}

void ORV_ParticleCloud::AdvanceOneByOne(float dt, float fPower, float fRessort)
{
    MoveAttractors(dt);
    MoveParticles(0, GetParticleCount(), dt, fPower, fRessort);
}

#if defined(__SSE2__)
void ORV_ParticleCloud::Advance(float dt, float fPower, float fRessort)
{
    MoveAttractors(dt);
    const SStepFactors f = MakeFactors(dt, fPower, fRessort);
    const __m128 P = _mm_set1_ps(f.P), nk = _mm_set1_ps(f.nk);
    const __m128 k1 = _mm_set1_ps(f.k1), k2 = _mm_set1_ps(f.k2), step = _mm_set1_ps(f.dt);
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const int n = GetParticleCount();
    const int nFour = n - n % 4;
    for (int i = 0; i < nFour; i += 4)
    {
        const __m128 x = _mm_loadu_ps(&m_aX[i]), y = _mm_loadu_ps(&m_aY[i]);
        const __m128 z = _mm_loadu_ps(&m_aZ[i]);
        __m128 fx = zero, fy = zero, fz = zero;
        for (const ORV_Particle& attractor : m_Attractors)
        {
            const __m128 dx = _mm_sub_ps(_mm_set1_ps(attractor.m_vPosition.x), x);
            const __m128 dy = _mm_sub_ps(_mm_set1_ps(attractor.m_vPosition.y), y);
            const __m128 dz = _mm_sub_ps(_mm_set1_ps(attractor.m_vPosition.z), z);
            const __m128 q =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
            const __m128 r = _mm_sqrt_ps(q);
            const __m128 pull = _mm_and_ps(_mm_cmpgt_ps(q, zero), _mm_cmplt_ps(r, one));
            const __m128 s = _mm_div_ps(P, r);
            fx = Select(pull, _mm_add_ps(fx, _mm_mul_ps(dx, s)), fx);
            fy = Select(pull, _mm_add_ps(fy, _mm_mul_ps(dy, s)), fy);
            fz = Select(pull, _mm_add_ps(fz, _mm_mul_ps(dz, s)), fz);
        }
        fy = _mm_add_ps(fy, _mm_mul_ps(nk, y));
        float* const apVelocity[3] = {&m_aVX[i], &m_aVY[i], &m_aVZ[i]};
        float* const apPosition[3] = {&m_aX[i], &m_aY[i], &m_aZ[i]};
        const __m128 force[3] = {fx, fy, fz};
        const __m128 position[3] = {x, y, z};
        for (int c = 0; c < 3; ++c)
        {
            __m128 v = _mm_loadu_ps(apVelocity[c]);
            v = _mm_add_ps(v, _mm_sub_ps(_mm_mul_ps(k1, force[c]), _mm_mul_ps(k2, v)));
            _mm_storeu_ps(apVelocity[c], v);
            _mm_storeu_ps(apPosition[c], WrapFour(_mm_add_ps(position[c], _mm_mul_ps(step, v))));
        }
    }
    MoveParticles(nFour, n, dt, fPower, fRessort);
}
#else
void ORV_ParticleCloud::Advance(float dt, float fPower, float fRessort)
{
    AdvanceOneByOne(dt, fPower, fRessort);
}
#endif

ORV_Particle ORV_ParticleCloud::GetParticle(int i) const
{
    return {D3DXVECTOR3(m_aX[i], m_aY[i], m_aZ[i]), D3DXVECTOR3(m_aVX[i], m_aVY[i], m_aVZ[i])};
}

void ORV_ParticleCloud::SetParticle(int i, const ORV_Particle& particle)
{
    m_aX[i] = particle.m_vPosition.x;
    m_aY[i] = particle.m_vPosition.y;
    m_aZ[i] = particle.m_vPosition.z;
    m_aVX[i] = particle.m_vVelocity.x;
    m_aVY[i] = particle.m_vVelocity.y;
    m_aVZ[i] = particle.m_vVelocity.z;
}

void ORV_ParticleCloud::CopyPositions(float* pOut) const
{
    for (size_t i = 0; i < m_aX.size(); ++i)
    {
        pOut[3 * i] = m_aX[i];
        pOut[3 * i + 1] = m_aY[i];
        pOut[3 * i + 2] = m_aZ[i];
    }
}

bool ORV_ParticleCloud::IsFirstUpdateDone()
{
    return g_bFirstUpdateDone;
}

void ORV_ParticleCloud::SetFirstUpdateDone(bool bDone)
{
    g_bFirstUpdateDone = bDone;
}

#pragma once

#include "OrvExport.h"

#include "d3dx9math.h"

#include <vector>

// One point of a particle cloud, or one of its attractors.
struct ORV_Particle
{
    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vVelocity;
};

// The motion of the particles layer's cloud, without any device: particles in the cube from
// -1 to +1 on each axis, pulled with a constant force towards every attractor closer than 1,
// pulled towards the plane y = 0 by a spring and slowed by damping; attractors drift in
// straight lines; space wraps around at the faces of the cube.
//
// Random numbers come from ORV_Random (the process's one sequence): scattering takes three
// draws per particle and six per attractor.
//
// Timing. Step advances by the frame time elapsed since the previous Step of the same cloud,
// clamped to [-3, 3] frames. The very first Step in the process (over all clouds: one
// process-wide flag) only records the frame time. Every other cloud starts with a last
// frame of 0.0: its first Step moves by the clamped time since frame 0. A Step at frame time
// exactly 0 scatters the cloud again first. A Step at a frame time that is not finite does
// nothing and keeps the last frame.
//
// The particles are kept as separate arrays of coordinates so that a step can work on
// several particles at once; its results are those of the one-particle-at-a-time float
// arithmetic (AdvanceOneByOne) to the last bit.
class ORV_API ORV_ParticleCloud
{
public:
    static constexpr int kParticleCount = 10000;
    static constexpr int kAttractorCount = 4;
    static constexpr float kMaxStep = 3.0f;

    // Allocates the particles and attractors and scatters them.
    explicit ORV_ParticleCloud(int iParticles = kParticleCount, int iAttractors = kAttractorCount);

    // Particles at (u, 0, u) with one more draw thrown away, still; then attractors at
    // (u, u, u) moving by 0.1 along the normalised vector of three raw draws. u is one draw
    // mapped to [-1, 1].
    void Scatter();

    // Moves the cloud by the time since the previous Step (see Timing above), with the
    // attractors' strength fPower (0 to 2) and the spring's stiffness fRessort (0 to 1).
    // False when nothing moved (the process's first step, or a frame time that is not finite).
    bool Step(float fFrame, float fPower, float fRessort);

    // The parts of Step. The clamped step dt for frame time fFrame, recording it as the last
    // frame and scattering again at frame 0; false (dt = 0) when Step would do nothing.
    bool TakeStep(float fFrame, float& rfStep);
    // Moves the attractors, then every particle, by dt frames.
    void Advance(float dt, float fPower, float fRessort);
    // The same arithmetic, one particle after the other (the reference for Advance).
    void AdvanceOneByOne(float dt, float fPower, float fRessort);

    int GetParticleCount() const { return static_cast<int>(m_aX.size()); }
    int GetAttractorCount() const { return static_cast<int>(m_Attractors.size()); }
    ORV_Particle GetParticle(int i) const;
    void SetParticle(int i, const ORV_Particle& particle);
    const ORV_Particle& GetAttractor(int i) const { return m_Attractors[i]; }
    void SetAttractor(int i, const ORV_Particle& attractor) { m_Attractors[i] = attractor; }
    // Writes every particle's position as three floats, one particle after the other.
    void CopyPositions(float* pOut) const;

    float GetLastFrame() const { return m_fLastFrame; }

    // The process-wide first-update flag: false until the first Step of any cloud.
    static bool IsFirstUpdateDone();
    static void SetFirstUpdateDone(bool bDone);

private:
    void MoveAttractors(float dt);
    // Particles [iFrom, iTo) one by one.
    void MoveParticles(int iFrom, int iTo, float dt, float fPower, float fRessort);

    std::vector<float> m_aX, m_aY, m_aZ;    // positions
    std::vector<float> m_aVX, m_aVY, m_aVZ; // velocities
    std::vector<ORV_Particle> m_Attractors;
    float m_fLastFrame = 0.0f;
};

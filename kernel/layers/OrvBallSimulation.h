#pragma once

#include "OrvExport.h"

#include "d3dx9math.h"

#include <cstdint>
#include <span>

class OGLObject;

// One ball of a room (see ORV_BallSimulation). A plain record: the layer that shows the
// balls owns an array of them and reads positions, radii and rotations to draw.
struct ORV_Ball
{
    D3DXVECTOR3 m_vPosition; // centre
    D3DXVECTOR3 m_vVelocity; // units per step of length 1; y stays 0
    float m_fMass;           // 4.188666666666666 * radius^3
    float m_fRadius;         // 0.5 to 1.5
    int32_t m_iContact;      // index of the ball this one touches, -1 for none
    OGLObject* m_pSphere;    // the drawing layer's own mesh for this ball; the motion never
                             // touches it except to set it null on placement
    D3DXMATRIX m_mRotation;  // accumulated rolling rotation, identity after placement
};

// The motion of a room of balls, without any device: spheres of random radius standing on
// the floor y = -1 inside a square room, rolling in straight lines, colliding elastically
// and bouncing off the walls, turning as they roll.
//
// The records belong to the caller; every operation takes them as a span, indices in the
// span are the balls' numbers (contact partners refer to them). Use:
//
//   ORV_Ball balls[ORV_BallSimulation::kBallCount];
//   ORV_BallSimulation room;            // room half-size 10
//   room.Place(balls);                  // in the layer's constructor
//   room.Step(balls, COrvPropBase::m_siFrame);  // at the start of every Draw
//
// Random numbers come from ORV_Random (the process's one sequence).
//
// Timing. Step advances by the frame time elapsed since the previous Step of the same
// object, scaled to h = elapsed * 0.3 / 2.1333333333333333 and clamped to [-0.1, 0.1]: a jump
// on the time line moves the balls by at most 0.1 * velocity, playing backwards moves them
// backwards. The very first Step in the process (over all objects: one process-wide flag)
// only records the frame time. Every other object starts with a last frame of 0.0: its first
// Step moves by the clamped time since frame 0. A Step at a frame time that is not finite
// (NaN, infinite) does nothing and keeps the last frame.
//
// Guarantees: after any sequence of steps, every position, velocity and rotation stays
// finite (given finite records from Place) and every ball stays inside the walls
// (|x|, |z| <= room size + 1 - radius) with its y unchanged.
class ORV_API ORV_BallSimulation
{
public:
    static constexpr float kRoomSize = 10.0f; // half the room's width, before the walls
    static constexpr int kBallCount = 20;     // the balls layer's number of balls
    static constexpr float kMaxStep = 0.1f;   // largest |h| of one step
    static constexpr int kMaxPlacementTries = 100000;

    explicit ORV_BallSimulation(float fRoomSize = kRoomSize) : m_fRoomSize(fRoomSize) {}

    float GetRoomSize() const { return m_fRoomSize; }
    // The frame time of the last Step (0.0 before the first).
    float GetLastFrame() const { return m_fLastFrame; }

    // Fills every record in order: identity rotation, no sphere, no contact, a radius from
    // 0.5 to 1.5, a position in [-S, S] on x and z standing on the floor (y = radius - 1),
    // a velocity with x and z from 0 to 1. A ball that would touch or overlap an earlier one
    // is drawn again (five draws per try), so no two balls overlap. In a room too small for
    // the balls, a ball still overlapping after kMaxPlacementTries tries is kept as drawn.
    void Place(std::span<ORV_Ball> balls) const;

    // Advances every ball by the time since the previous Step (see Timing above). False when
    // nothing was done (the process's first step, or a frame time that is not finite).
    bool Step(std::span<ORV_Ball> balls, float fFrame);

    // The parts of Step, for tests and for callers that drive the time themselves.
    // The step length h for frame time fFrame (see Timing), recording fFrame as the last
    // frame; false (h = 0) when Step would do nothing.
    bool TakeStep(float fFrame, float& rfStep);
    // One step of length h: for each ball in order, contacts and collisions with every
    // other ball, rolling rotation, move, walls.
    void Move(std::span<ORV_Ball> balls, float h) const;
    // The elastic collision of two balls along the line of their centres (tangential motion
    // kept, then each velocity made horizontal at its own speed). Balls with the same centre
    // collide along x.
    static void Collide(ORV_Ball& rFirst, ORV_Ball& rSecond);

    // The process-wide first-step flag: false until the first Step of any object.
    static bool IsFirstStepDone();
    static void SetFirstStepDone(bool bDone);

private:
    void Roll(ORV_Ball& rBall, float h) const;
    void KeepInside(ORV_Ball& rBall) const;

    float m_fRoomSize;
    float m_fLastFrame = 0.0f;
};

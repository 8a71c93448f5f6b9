#pragma once

// Prepared forms of the D3DX slerp and squad, for callers that evaluate one curve segment at
// many parameters: the parts that depend only on the end points are computed once.
// D3DXQuaternionSlerp, D3DXQuaternionSquadSetup and D3DXQuaternionSquad are built on these,
// so a prepared evaluation gives exactly the same result as the D3DX calls.
#include "d3dx9math.h"

// The arc between two quaternions, along the shorter way.
struct ORV_SLERP_SPAN
{
    FLOAT fCosTheta; // |q1 . q2|
    FLOAT fTheta;
    FLOAT fSinTheta;
    FLOAT fSign;  // -1 when q2 is negated to take the shorter arc
    BOOL bLinear; // nearly equal end points: blend linearly
};

// A squad segment from q1 to C with its inner control points A and B.
struct ORV_SQUAD
{
    D3DXQUATERNION q1, a, b, c;
    ORV_SLERP_SPAN outer; // q1 to C
    ORV_SLERP_SPAN inner; // A to B
};

ORVPLATFORM_API void OrvSlerpPrepare(ORV_SLERP_SPAN* pOut, const D3DXQUATERNION* pQ1,
                                     const D3DXQUATERNION* pQ2);
ORVPLATFORM_API void OrvSlerpBlend(D3DXQUATERNION* pOut, const ORV_SLERP_SPAN* pSpan,
                                   const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, FLOAT t);
// D3DXQuaternionSquadSetup(A, B, C, q0, q1, q2, q3) with the two spans of the squad.
ORVPLATFORM_API void OrvSquadPrepare(ORV_SQUAD* pOut, const D3DXQUATERNION* pQ0,
                                     const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                     const D3DXQUATERNION* pQ3);
// D3DXQuaternionSquad(out, q1, A, B, C, t).
ORVPLATFORM_API void OrvSquadEvaluate(D3DXQUATERNION* pOut, const ORV_SQUAD* pSquad, FLOAT t);

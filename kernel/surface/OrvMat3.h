#pragma once

#include "OrvExport.h"

// A 3 x 3 single-precision rotation matrix with conversion from and to three Euler angles.
// Element 3r + c is row r, column c; the nine floats are reachable by name (m0 .. m8) or
// by index (m[i]).
class ORV_API MAT3f
{
public:
    MAT3f();

    // Sets the matrix from three angles in radians.
    void Build(const float& a, const float& b, const float& c);
    // Recovers the angles; exact round trip with Build for b strictly inside (-90°, 90°).
    void GetEuler(float& a, float& b, float& c) const;
    // x * y is the row-major product y · x.
    MAT3f operator*(const MAT3f& other) const;
    // Rebuilds the matrix from its own angles, removing the drift of accumulated products.
    void Normalize();

    union
    {
        struct
        {
            float m0, m1, m2, m3, m4, m5, m6, m7, m8;
        };
        float m[9];
    };
};

// Smooth vertex normals from their definition, computed in double precision
// as a reference for the mesh builder: the sum of the cross products of every
// face that uses the vertex (once per face, so larger faces weigh more),
// scaled to unit length; (0, 1, 0) for a vertex in no face or whose sum has
// no length. Every corner index must be in range.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<double> ReferenceNormals(const std::vector<float>& v, const std::vector<uint16_t>& f)
{
    std::vector<double> sums(v.size(), 0.0);
    for (size_t i = 0; i + 2 < f.size(); i += 3) {
        const float* p[3] = {&v[3 * f[i]], &v[3 * f[i + 1]], &v[3 * f[i + 2]]};
        double a[3], b[3];
        for (int c = 0; c < 3; ++c) {
            a[c] = double(p[1][c]) - p[0][c];
            b[c] = double(p[2][c]) - p[0][c];
        }
        const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        for (int k = 0; k < 3; ++k) {
            if ((k > 0 && f[i + k] == f[i]) || (k > 1 && f[i + k] == f[i + 1]))
                continue;
            for (int c = 0; c < 3; ++c)
                sums[3 * f[i + k] + c] += n[c];
        }
    }
    for (size_t j = 0; j < sums.size(); j += 3) {
        const double length = std::sqrt(sums[j] * sums[j] + sums[j + 1] * sums[j + 1] + sums[j + 2] * sums[j + 2]);
        for (int c = 0; c < 3; ++c)
            sums[j + c] = length > 0 ? sums[j + c] / length : (c == 1 ? 1.0 : 0.0);
    }
    return sums;
}

// Every component of the single-precision normals within 1e-5 of the reference.
inline void ExpectNormalsNear(const float* normals, const std::vector<double>& reference, const std::string& what)
{
    ASSERT_NE(normals, nullptr) << what;
    int bad = 0;
    for (size_t i = 0; i < reference.size() && bad < 5; ++i)
        if (!(std::fabs(normals[i] - reference[i]) <= 1e-5)) {
            ADD_FAILURE() << what << ": vertex " << i / 3 << " component " << i % 3 << " is " << normals[i]
                          << ", the faces give " << reference[i];
            ++bad;
        }
}

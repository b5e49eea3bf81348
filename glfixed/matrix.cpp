#include "glfixed/matrix.h"

#include <cmath>
#include <cstring>

namespace orvgl {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

inline float& At(Matrix& m, int row, int col) { return m.m[col * 4 + row]; }
inline float At(const Matrix& m, int row, int col) { return m.m[col * 4 + row]; }

}  // namespace

Matrix Identity()
{
    Matrix m;
    std::memcpy(m.m, kIdentity, sizeof kIdentity);
    return m;
}

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix p;
    for (int i = 0; i < 4; ++i) {
        const float ai0 = At(a, i, 0), ai1 = At(a, i, 1), ai2 = At(a, i, 2), ai3 = At(a, i, 3);
        for (int j = 0; j < 4; ++j)
            At(p, i, j) = ai0 * At(b, 0, j) + ai1 * At(b, 1, j) + ai2 * At(b, 2, j) + ai3 * At(b, 3, j);
    }
    return p;
}

void Translate(Matrix& mat, float x, float y, float z)
{
    float* m = mat.m;
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void Scale(Matrix& mat, float x, float y, float z)
{
    float* m = mat.m;
    for (int r = 0; r < 4; ++r) {
        m[r] *= x;
        m[4 + r] *= y;
        m[8 + r] *= z;
    }
}

void Rotate(Matrix& mat, float degrees, float x, float y, float z)
{
    const float s = static_cast<float>(std::sin(degrees * kPi / 180.0));
    const float c = static_cast<float>(std::cos(degrees * kPi / 180.0));
    Matrix r = Identity();
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        At(r, 0, 0) = c;
        At(r, 1, 1) = c;
        At(r, 0, 1) = z < 0.0f ? s : -s;
        At(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        At(r, 0, 0) = c;
        At(r, 2, 2) = c;
        At(r, 0, 2) = y < 0.0f ? -s : s;
        At(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        At(r, 1, 1) = c;
        At(r, 2, 2) = c;
        At(r, 1, 2) = x < 0.0f ? s : -s;
        At(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length;
        y /= length;
        z /= length;
        const float xx = x * x, yy = y * y, zz = z * z;
        const float xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s;
        const float oneC = 1.0f - c;
        At(r, 0, 0) = (oneC * xx) + c;
        At(r, 0, 1) = (oneC * xy) - zs;
        At(r, 0, 2) = (oneC * zx) + ys;
        At(r, 1, 0) = (oneC * xy) + zs;
        At(r, 1, 1) = (oneC * yy) + c;
        At(r, 1, 2) = (oneC * yz) - xs;
        At(r, 2, 0) = (oneC * zx) - ys;
        At(r, 2, 1) = (oneC * yz) + xs;
        At(r, 2, 2) = (oneC * zz) + c;
    }
    mat = Multiply(mat, r);
}

void NormalMatrix(const Matrix& in, float out[9])
{
    // Mesa inverts a rotation (perhaps scaled the same along every axis) by
    // transposing it, anything else through cofactors; the inverse's transpose
    // is then the matrix itself, times the scale for a scaled rotation.
    const float* m = in.m;
    const auto dot3 = [](const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const float c1 = dot3(m, m), c2 = dot3(m + 4, m + 4), c3 = dot3(m + 8, m + 8), d1 = dot3(m, m + 4);
    const auto sq = [](double x) { return x * x; };
    const bool affine = m[3] == 0.0f && m[7] == 0.0f && m[11] == 0.0f && m[15] == 1.0f;
    const bool sameScale = sq(c1 - c2) < sq(1e-6) && sq(c1 - c3) < sq(1e-6);
    bool rotation = false;
    if (affine && sameScale && sq(d1) < sq(1e-6)) {
        float cp[3];
        cp[0] = m[1] * m[6] - m[2] * m[5] - m[8];
        cp[1] = m[2] * m[4] - m[0] * m[6] - m[9];
        cp[2] = m[0] * m[5] - m[1] * m[4] - m[10];
        rotation = dot3(cp, cp) < sq(1e-6);
    }
    if (rotation) {
        float scale = 1.0f;
        if (sq(c1 - 1.0) > sq(1e-6)) {
            scale = m[0] * m[0] + m[4] * m[4] + m[8] * m[8];
            if (scale == 0.0f)
                rotation = false;
            else
                scale = 1.0f / scale;
        }
        if (rotation) {
            for (int c = 0; c < 3; ++c)
                for (int r = 0; r < 3; ++r)
                    out[c * 3 + r] = scale == 1.0f ? m[c * 4 + r] : scale * m[c * 4 + r];
            return;
        }
    }
    // Cofactors over the determinant, summed as positive and negative parts.
    const float terms[6] = {
        At(in, 0, 0) * At(in, 1, 1) * At(in, 2, 2), At(in, 1, 0) * At(in, 2, 1) * At(in, 0, 2),
        At(in, 2, 0) * At(in, 0, 1) * At(in, 1, 2), -At(in, 2, 0) * At(in, 1, 1) * At(in, 0, 2),
        -At(in, 1, 0) * At(in, 0, 1) * At(in, 2, 2), -At(in, 0, 0) * At(in, 2, 1) * At(in, 1, 2)};
    float pos = 0.0f, neg = 0.0f;
    for (float t : terms)
        (t >= 0.0f ? pos : neg) += t;
    float det = pos + neg;
    if (std::fabs(det) < 1e-25f) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, identity, sizeof identity);
        return;
    }
    det = 1.0f / det;
    float inv[3][3];  // inv[row][col]
    inv[0][0] = (At(in, 1, 1) * At(in, 2, 2) - At(in, 2, 1) * At(in, 1, 2)) * det;
    inv[0][1] = -(At(in, 0, 1) * At(in, 2, 2) - At(in, 2, 1) * At(in, 0, 2)) * det;
    inv[0][2] = (At(in, 0, 1) * At(in, 1, 2) - At(in, 1, 1) * At(in, 0, 2)) * det;
    inv[1][0] = -(At(in, 1, 0) * At(in, 2, 2) - At(in, 2, 0) * At(in, 1, 2)) * det;
    inv[1][1] = (At(in, 0, 0) * At(in, 2, 2) - At(in, 2, 0) * At(in, 0, 2)) * det;
    inv[1][2] = -(At(in, 0, 0) * At(in, 1, 2) - At(in, 1, 0) * At(in, 0, 2)) * det;
    inv[2][0] = (At(in, 1, 0) * At(in, 2, 1) - At(in, 2, 0) * At(in, 1, 1)) * det;
    inv[2][1] = -(At(in, 0, 0) * At(in, 2, 1) - At(in, 2, 0) * At(in, 0, 1)) * det;
    inv[2][2] = (At(in, 0, 0) * At(in, 1, 1) - At(in, 1, 0) * At(in, 0, 1)) * det;
    // Column-major transpose of the inverse: element (row r, col c) = inv[c][r].
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            out[c * 3 + r] = inv[c][r];
}

void TransformPoint(const Matrix& mat, const float p[4], float q[4])
{
    const float* m = mat.m;
    for (int r = 0; r < 4; ++r)
        q[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
}

}  // namespace orvgl

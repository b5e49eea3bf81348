// Column-major 4x4 float matrices, multiplied and built the way desktop
// OpenGL drivers (Mesa) do it in float, so that what the layer draws lands on
// the same pixels.
#pragma once

namespace orvgl {

struct Matrix {
    float m[16];
};

Matrix Identity();
// a * b, each element summed in the order a(i,0)b(0,j) + ... + a(i,3)b(3,j).
Matrix Multiply(const Matrix& a, const Matrix& b);
void Translate(Matrix& m, float x, float y, float z);
void Scale(Matrix& m, float x, float y, float z);
// Multiplies by the rotation of `degrees` about (x, y, z); rotations about a
// coordinate axis are built exactly (no normalisation of the axis).
void Rotate(Matrix& m, float degrees, float x, float y, float z);
// The transposed inverse of the upper-left 3x3 block (column-major 3x3), the
// matrix normals go through; the identity when that block is singular.
void NormalMatrix(const Matrix& m, float out[9]);
// m * (x, y, z, w).
void TransformPoint(const Matrix& m, const float in[4], float out[4]);

}  // namespace orvgl

// Vectors and the camera matrices.
#pragma once

struct Vec3 {
    float x, y, z;
};

typedef float Mat4[16];  // column by column, as GL takes it

void normalize3(Vec3 *v);
// out must differ from a and b.
void cross3(const Vec3 *a, const Vec3 *b, Vec3 *out);
void identity4(Mat4 m);
// Multiply the current GL matrix by a perspective projection (fovY in degrees) or a viewing transform.
void setPerspective(float fovY, float aspect, float zNear, float zFar);
void setLookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
               float upX, float upY, float upZ);

// Vectors and the camera matrices.
#pragma once

struct Vec3 {
    float x, y, z;
};

typedef float Mat4[16];  // column by column, as GL takes it

// pi / 360 in single precision: degrees of a field of view to radians of its half.
constexpr float halfDegToRad = 0.008726646f;
// Pixels a unit spans at unit distance ahead, in a picture height pixels tall seen through a
// vertical field of view of fovY degrees.
double focalPixels(int height, float fovY);

// Scales v to unit length; a zero vector stays zero.
void normalize3(Vec3 *v);
// The point the share t of the way from a to b.
Vec3 between3(const Vec3 &a, const Vec3 &b, float t);
// out = a x b; out must differ from a and b.
void cross3(const Vec3 *a, const Vec3 *b, Vec3 *out);
// Loads the identity.
void identity4(Mat4 m);
// The perspective projection for fovY in degrees; 0 (m untouched) for a zero depth, angle or aspect.
int perspectiveMatrix(Mat4 m, float fovY, float aspect, float zNear, float zFar);
// The rotation part of a viewing transform; the eye's translation follows it.
void lookAtMatrix(Mat4 m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
                  float upX, float upY, float upZ);
// The point p in the coordinates of the view whose rotation lookAtMatrix made for the eye: x to the
// right, y up, and -z its depth ahead of the eye.
Vec3 inView(const Mat4 view, const Vec3 &eye, const Vec3 &p);
// Multiplies the current GL matrix by a perspective projection; a degenerate one changes nothing.
void setPerspective(float fovY, float aspect, float zNear, float zFar);
// Multiplies the current GL matrix by the view from the eye towards the centre.
void setLookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
               float upX, float upY, float upZ);

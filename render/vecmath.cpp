#include "render/vecmath.h"

#include <GLES/gl.h>
#include <math.h>

Vec3 between3(const Vec3 &a, const Vec3 &b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

void normalize3(Vec3 *v)
{
    float length = (float)sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
    if (length == 0)
        return;
    float k = 1 / length;
    v->x *= k;
    v->y *= k;
    v->z *= k;
}

void cross3(const Vec3 *a, const Vec3 *b, Vec3 *out)
{
    out->x = a->y * b->z - a->z * b->y;
    out->y = a->z * b->x - a->x * b->z;
    out->z = a->x * b->y - a->y * b->x;
}

void identity4(Mat4 m)
{
    for (int i = 0; i < 16; i++)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// Element at row r, column c.
static float &at(Mat4 m, int r, int c)
{
    return m[4 * c + r];
}

int perspectiveMatrix(Mat4 m, float fovY, float aspect, float zNear, float zFar)
{
    float depth = zFar - zNear;
    float halfAngle = fovY * halfDegToRad;
    float sine = (float)sin(halfAngle);
    if (depth == 0 || sine == 0 || aspect == 0)
        return 0;
    float cotangent = (float)(cos(halfAngle) / sine);
    identity4(m);
    at(m, 0, 0) = cotangent / aspect;
    at(m, 1, 1) = cotangent;
    float invDepth = 1 / depth;
    at(m, 2, 2) = -((zNear + zFar) * invDepth);
    at(m, 2, 3) = invDepth * zNear * zFar * -2;
    at(m, 3, 2) = -1;
    at(m, 3, 3) = 0;
    return 1;
}

void lookAtMatrix(Mat4 m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
                  float upX, float upY, float upZ)
{
    Vec3 forward = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
    normalize3(&forward);
    Vec3 up = {upX, upY, upZ};
    Vec3 side, trueUp;
    cross3(&forward, &up, &side);
    normalize3(&side);
    cross3(&side, &forward, &trueUp);
    identity4(m);
    const Vec3 rows[3] = {side, trueUp, {-forward.x, -forward.y, -forward.z}};
    for (int r = 0; r < 3; r++) {
        at(m, r, 0) = rows[r].x;
        at(m, r, 1) = rows[r].y;
        at(m, r, 2) = rows[r].z;
    }
}

Vec3 inView(const Mat4 view, const Vec3 &eye, const Vec3 &p)
{
    const float d[3] = {p.x - eye.x, p.y - eye.y, p.z - eye.z};
    float out[3];
    for (int r = 0; r < 3; r++)
        out[r] = view[r] * d[0] + view[4 + r] * d[1] + view[8 + r] * d[2];
    return {out[0], out[1], out[2]};
}

void setPerspective(float fovY, float aspect, float zNear, float zFar)
{
    Mat4 m;
    if (perspectiveMatrix(m, fovY, aspect, zNear, zFar))
        glMultMatrixf(m);
}

void setLookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
               float upX, float upY, float upZ)
{
    Mat4 m;
    lookAtMatrix(m, eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
    glMultMatrixf(m);
    glTranslatef(-eyeX, -eyeY, -eyeZ);
}

double focalPixels(int height, float fovY)
{
    return height * 0.5 / tan(fovY * halfDegToRad);
}

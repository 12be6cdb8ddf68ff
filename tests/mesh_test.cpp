// The mesh builders: closed strips whose first triangle faces outwards, and unit normals.
#include "render/mesh.h"

#include <gtest/gtest.h>
#include <math.h>
#include <vector>

// The normal of triangle (a, b, c) as its counter-clockwise face sees it, dotted with d.
static float facing(const float *a, const float *b, const float *c, const float *d)
{
    float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return (u[1] * v[2] - u[2] * v[1]) * d[0] + (u[2] * v[0] - u[0] * v[2]) * d[1] + (u[0] * v[1] - u[1] * v[0]) * d[2];
}

TEST(MeshBuilders, StripsCloseAndTheirFirstTriangleFacesOutwards)
{
    // A cylinder of radius 1 around z: 8 slices close on the first column; the side faces +x at angle 0.
    std::vector<float> v(18 * 3), n(18 * 3);
    buildCylinder(1, 0.5f, 1, 8, v.data(), n.data());
    const float start[6] = {1, 0, 0, 1, 0, 0.5f}, outX[3] = {1, 0, 0};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(v[16 * 3 + i], start[i]);
    EXPECT_GT(facing(&v[0], &v[3], &v[6], outX), 0);
    EXPECT_EQ(n[0], 1);
    // A sphere of radius 0.6 runs from pole to pole with unit normals along its radii.
    std::vector<float> s(36 * 3), sn(36 * 3);
    buildSphere(0.6f, 3, 5, s.data(), sn.data());
    EXPECT_FLOAT_EQ(s[2], 0.6f);
    EXPECT_NEAR(s[35 * 3 + 2], -0.6f, 1e-6);
    for (int k = 0; k < 36 * 3; k++)
        EXPECT_NEAR(s[k], sn[k] * 0.6f, 1e-6) << k;
}

// The mesh builders' vertex layout, values and winding.
#include "render/mesh.h"

#include <gtest/gtest.h>
#include <vector>

// The z of the cross product of two triangle edges, seen from +z.
static float turnZ(const float *a, const float *b, const float *c)
{
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

TEST(MeshBuilderTest, CylinderStripClosesAndFacesOutwards)
{
    std::vector<float> v(18 * 3), n(18 * 3);
    buildCylinder(1, 0.5f, 1, 8, v.data(), n.data());
    const float start[6] = {1, 0, 0, 1, 0, 0.5f};
    for (int i = 0; i < 6; i++) {
        EXPECT_FLOAT_EQ(start[i], v[i]);
        EXPECT_EQ(v[i], v[16 * 3 + i]);  // the last column is exactly the first
    }
    EXPECT_NEAR(0.7071068f, v[6], 1e-6);
    EXPECT_NEAR(-0.7071068f, v[7], 1e-6);
    EXPECT_EQ(0.0f, v[8]);
    EXPECT_EQ(v[6], n[6]);
    EXPECT_EQ(0.0f, n[8]);
    // The first triangle (lower, upper, next lower) has its outward normal along +x at angle 0.
    float e1[3], e2[3];
    for (int i = 0; i < 3; i++) {
        e1[i] = v[3 + i] - v[i];
        e2[i] = v[6 + i] - v[i];
    }
    EXPECT_GT(e1[1] * e2[2] - e1[2] * e2[1], 0.0f);
}

TEST(MeshBuilderTest, DiskAndRingStripsRunCounterClockwise)
{
    std::vector<float> v(18 * 3);
    buildDisk(0, 1, 1, 8, v.data());
    for (int j = 0; j <= 8; j++)
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(0.0f, v[j * 6 + i]) << "column " << j;
    // A strip's odd triangles turn the other way by construction; the first one counts.
    std::vector<float> ring(2 * 18 * 3);
    buildDisk(0.5f, 1.5f, 2, 8, ring.data());
    EXPECT_FLOAT_EQ(0.5f, ring[0]);
    EXPECT_FLOAT_EQ(1.0f, ring[3]);
    EXPECT_FLOAT_EQ(1.0f, ring[18 * 3]);
    EXPECT_FLOAT_EQ(1.5f, ring[18 * 3 + 3]);
    EXPECT_GT(turnZ(&ring[0], &ring[3], &ring[6]), 0.0f);
}

TEST(MeshBuilderTest, SphereBandsRunFromPoleToPole)
{
    std::vector<float> v(36 * 3), n(36 * 3);
    buildSphere(0.6f, 3, 5, v.data(), n.data());
    for (int j = 0; j <= 5; j++) {
        EXPECT_FLOAT_EQ(0.6f, v[j * 6 + 2]) << "column " << j;
        EXPECT_NEAR(0.0f, v[j * 6], 1e-7);
        EXPECT_NEAR(-0.6f, v[(24 + j * 2 + 1) * 3 + 2], 1e-6);
    }
    for (int k = 0; k < 36; k++) {
        float *p = &n[k * 3];
        EXPECT_NEAR(1.0f, p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1e-5);
        EXPECT_NEAR(v[k * 3 + 1], p[1] * 0.6f, 1e-6);
    }
}

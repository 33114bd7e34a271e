// Vector and matrix arithmetic against worked values and IEEE edge cases.
#include "d3dx/d3dx8math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 0.0f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

} // namespace

TEST(VectorOperations, WorkedValues) {
    const D3DXVECTOR3 a(3.0f, 4.0f, 0.0f);
    EXPECT_EQ(D3DXVec3Length(&a), 5.0f);
    const D3DXVECTOR3 p(1.0f, 2.0f, 3.0f);
    const D3DXVECTOR3 q(4.0f, 5.0f, 6.0f);
    EXPECT_EQ(D3DXVec3Dot(&p, &q), 32.0f);
    ExpectVector(p + q, 5.0f, 7.0f, 9.0f);
    ExpectVector(q - p, 3.0f, 3.0f, 3.0f);
    ExpectVector(p * 2.0f, 2.0f, 4.0f, 6.0f);
    ExpectVector(2.0f * p, 2.0f, 4.0f, 6.0f);
    D3DXVECTOR3 r = p;
    r += q;
    r -= D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    ExpectVector(r, 4.0f, 6.0f, 8.0f);
    r /= 2.0f;
    ExpectVector(r, 2.0f, 3.0f, 4.0f);
    ExpectVector(-r, -2.0f, -3.0f, -4.0f);
}

TEST(VectorOperations, CrossProductMayWriteOverAnOperand) {
    D3DXVECTOR3 x(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 y(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &x, &y);
    ExpectVector(out, 0.0f, 0.0f, 1.0f);
    // Written into its own first operand, the result must still be x cross y.
    D3DXVec3Cross(&x, &x, &y);
    ExpectVector(x, 0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 a(1.0f, 2.0f, 3.0f);
    const D3DXVECTOR3 b(4.0f, 5.0f, 6.0f);
    D3DXVec3Cross(&a, &a, &b);
    ExpectVector(a, -3.0f, 6.0f, -3.0f);
}

TEST(VectorOperations, DivisionMultipliesByTheFloatReciprocal) {
    // 1/20 rounds to 0x1.99999ap-5; 0.1f times that rounds up to 0x1.47ae16p-8, while a true
    // division 0.1f / 20 would give 0x1.47ae14p-8.
    const D3DXVECTOR3 v(0.1f, 0.3f, 0.0f);
    const D3DXVECTOR3 divided = v / 20.0f;
    EXPECT_EQ(divided.x, 0x1.47ae16p-8f);
    EXPECT_NE(divided.x, 0x1.47ae14p-8f);
    // 1/3 rounds to 0x1.555556p-2; 0.3f times it is 0x1.99999cp-4, not 0.3f / 3 = 0x1.99999ap-4.
    const D3DXVECTOR3 thirds = v / 3.0f;
    EXPECT_EQ(thirds.y, 0x1.99999cp-4f);
    D3DXVECTOR3 inPlace = v;
    inPlace /= 3.0f;
    EXPECT_EQ(inPlace.y, 0x1.99999cp-4f);
}

TEST(VectorOperations, DivisionByZeroFollowsIeee) {
    const D3DXVECTOR3 v(1.0f, -1.0f, 0.0f);
    const D3DXVECTOR3 r = v / 0.0f;
    EXPECT_TRUE(std::isinf(r.x) && r.x > 0);
    EXPECT_TRUE(std::isinf(r.y) && r.y < 0);
    EXPECT_TRUE(std::isnan(r.z)) << "0 * infinity";
}

TEST(VectorOperations, MinimizeAndMaximizeKeepTheSecondOperandOnTiesAndNaN) {
    const D3DXVECTOR3 a(1.0f, 5.0f, -2.0f);
    const D3DXVECTOR3 b(3.0f, 2.0f, -2.0f);
    D3DXVECTOR3 out;
    ExpectVector(*D3DXVec3Minimize(&out, &a, &b), 1.0f, 2.0f, -2.0f);
    ExpectVector(*D3DXVec3Maximize(&out, &a, &b), 3.0f, 5.0f, -2.0f);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const D3DXVECTOR3 withNan(nan, 0.0f, -0.0f);
    const D3DXVECTOR3 other(7.0f, -0.0f, 0.0f);
    D3DXVec3Minimize(&out, &withNan, &other);
    EXPECT_EQ(out.x, 7.0f) << "unordered: second operand";
    EXPECT_TRUE(std::signbit(out.y)) << "tie of 0 and -0: second operand (-0)";
    EXPECT_FALSE(std::signbit(out.z)) << "tie of -0 and 0: second operand (0)";
    D3DXVec3Minimize(&out, &other, &withNan);
    EXPECT_TRUE(std::isnan(out.x)) << "unordered: second operand, here NaN";
    D3DXVec3Maximize(&out, &withNan, &other);
    EXPECT_EQ(out.x, 7.0f);
    EXPECT_TRUE(std::signbit(out.y));
}

TEST(VectorOperations, NormalizeHandlesZeroAndTinyVectors) {
    D3DXVECTOR3 out(9.0f, 9.0f, 9.0f);
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    ExpectVector(*D3DXVec3Normalize(&out, &zero), 0.0f, 0.0f, 0.0f);
    // Squared, 1e-30 underflows to zero: the vector is too short to give a direction.
    const D3DXVECTOR3 tiny(1e-30f, -1e-30f, 0.0f);
    ExpectVector(*D3DXVec3Normalize(&out, &tiny), 0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 denormal(1e-40f, 0.0f, 0.0f);
    ExpectVector(*D3DXVec3Normalize(&out, &denormal), 0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 v(3.0f, 0.0f, 4.0f);
    D3DXVec3Normalize(&v, &v);
    ExpectVector(v, 0.6f, 0.0f, 0.8f, 1e-7f);
    const D3DXVECTOR3 large(1e20f, 0.0f, 0.0f);
    ExpectVector(*D3DXVec3Normalize(&out, &large), 0.0f, 0.0f, 0.0f, 0.0f);
}

TEST(Matrices, IdentityRotationAndMultiply) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, 0.0f);
    EXPECT_TRUE(rotation == identity) << "rotation by 0 is the identity world matrix";
    D3DXMatrixRotationY(&rotation, 1.5707964f);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f);
    // Row vectors: (1, 0, 0) picks the first row (cos, 0, -sin).
    ExpectVector(*D3DXVec3TransformCoord(&out, &x, &rotation), 0.0f, 0.0f, -1.0f, 1e-6f);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, 1.0f, 2.0f, 3.0f);
    const D3DXMATRIX both = rotation * translation; // rotate first, then move
    ExpectVector(*D3DXVec3TransformCoord(&out, &x, &both), 1.0f, 2.0f, 2.0f, 1e-6f);
}

TEST(Matrices, LookAtLeftHanded) {
    const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 1.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMATRIX identity;
    EXPECT_TRUE(view == *D3DXMatrixIdentity(&identity));
    // From (2, 0.5, 0.5) looking along +x: a point 3 ahead and 1 to the left (+z is left when
    // facing +x in a left-handed world) lands at view (-1, 0, 3).
    const D3DXVECTOR3 eye2(2.0f, 0.5f, 0.5f);
    const D3DXVECTOR3 at2(3.0f, 0.5f, 0.5f);
    D3DXMatrixLookAtLH(&view, &eye2, &at2, &up);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 point(5.0f, 0.5f, 1.5f);
    ExpectVector(*D3DXVec3TransformCoord(&out, &point, &view), -1.0f, 0.0f, 3.0f, 1e-6f);
}

TEST(Matrices, PerspectiveFovLeftHanded) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.3f, 0.1f, 130.0f);
    const float h = 2.4142136f; // cot(pi / 8)
    EXPECT_NEAR(projection._11, h / 1.3f, 1e-5f);
    EXPECT_NEAR(projection._22, h, 1e-5f);
    EXPECT_NEAR(projection._33, 130.0f / 129.9f, 1e-6f);
    EXPECT_EQ(projection._34, 1.0f);
    EXPECT_NEAR(projection._43, -13.0f / 129.9f, 1e-6f);
    EXPECT_EQ(projection._12, 0.0f);
    EXPECT_EQ(projection._44, 0.0f);
    // The near plane maps to depth 0 and the far plane to depth 1.
    D3DXVECTOR3 out;
    const D3DXVECTOR3 nearPoint(0.0f, 0.0f, 0.1f);
    const D3DXVECTOR3 farPoint(0.0f, 0.0f, 130.0f);
    EXPECT_NEAR(D3DXVec3TransformCoord(&out, &nearPoint, &projection)->z, 0.0f, 1e-6f);
    EXPECT_NEAR(D3DXVec3TransformCoord(&out, &farPoint, &projection)->z, 1.0f, 1e-6f);
}

TEST(Colors, PackAndUnpack) {
    const D3DXCOLOR color(1.0f, 0.5f, 0.0f, 0.25f);
    EXPECT_EQ(static_cast<D3DCOLOR>(color), 0x40FF8000u);
    const D3DXCOLOR unpacked(0x80FF0040u);
    EXPECT_NEAR(unpacked.a, 128.0f / 255.0f, 1e-6f);
    EXPECT_EQ(unpacked.r, 1.0f);
    EXPECT_EQ(unpacked.g, 0.0f);
    EXPECT_NEAR(unpacked.b, 64.0f / 255.0f, 1e-6f);
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(2.0f, -1.0f, 0.0f, 1.0f)), 0xFFFF0000u);
}

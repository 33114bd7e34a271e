// D3DX vector and matrix types and functions: the arithmetic the engine relies on.
// Vectors are three 32-bit floats; every component is rounded to float after its expression.
// Division by a scalar multiplies by the float reciprocal, as the D3DX inline operators do.
// Matrices are row-vector, left-handed, translation in the fourth row.
#pragma once

#include "d3d8/d3d8types.h"

struct D3DXVECTOR2 {
    float x;
    float y;

    D3DXVECTOR2() = default;
    constexpr D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
};

struct D3DXVECTOR3 : D3DVECTOR {
    // Left uninitialised, as the platform's is; zero comes from static storage or (0, 0, 0).
    D3DXVECTOR3() = default;
    constexpr D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
    constexpr D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    D3DXVECTOR3& operator/=(float f) {
        const float inv = 1.0f / f;
        x *= inv;
        y *= inv;
        z *= inv;
        return *this;
    }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const {
        return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
    }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const {
        return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
    }
    D3DXVECTOR3 operator*(float f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(float f) const {
        const float inv = 1.0f / f;
        return D3DXVECTOR3(x * inv, y * inv, z * inv);
    }
    friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) {
        return D3DXVECTOR3(f * v.x, f * v.y, f * v.z);
    }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    constexpr D3DXMATRIX(const D3DMATRIX& matrix) : D3DMATRIX(matrix) {}
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
               float f24, float f31, float f32, float f33, float f34, float f41, float f42,
               float f43, float f44);

    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& other) const;
    bool operator==(const D3DXMATRIX& other) const;
};

// Colour as four floats red, green, blue, alpha (the order of D3DCOLORVALUE).
struct D3DXCOLOR {
    float r;
    float g;
    float b;
    float a;

    D3DXCOLOR() = default;
    constexpr D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}
    D3DXCOLOR(D3DCOLOR argb);
    // Packs as ARGB: each channel is saturated to [0, 1], scaled by 255 and rounded.
    operator D3DCOLOR() const;
};

// ---- Vectors --------------------------------------------------------------------------------
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) {
    return v->x * v->x + v->y * v->y + v->z * v->z;
}

// Square root of the sum of squares, in single precision.
float D3DXVec3Length(const D3DXVECTOR3* v);

inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

// Computed into a temporary first, so pOut may be pV1 or pV2.
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                  const D3DXVECTOR3* pV2) {
    const D3DXVECTOR3 r(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = r;
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *pOut = D3DXVECTOR3(a->x + b->x, a->y + b->y, a->z + b->z);
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* a,
                                     const D3DXVECTOR3* b) {
    *pOut = D3DXVECTOR3(a->x - b->x, a->y - b->y, a->z - b->z);
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* v, float s) {
    *pOut = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
    return pOut;
}

// Per component the first operand's value only where it is strictly smaller; a tie or an
// unordered comparison (NaN) keeps the second operand's value.
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* a,
                                     const D3DXVECTOR3* b) {
    *pOut = D3DXVECTOR3(a->x < b->x ? a->x : b->x, a->y < b->y ? a->y : b->y,
                        a->z < b->z ? a->z : b->z);
    return pOut;
}

// Per component the first operand's value only where it is strictly greater.
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* a,
                                     const D3DXVECTOR3* b) {
    *pOut = D3DXVECTOR3(a->x > b->x ? a->x : b->x, a->y > b->y ? a->y : b->y,
                        a->z > b->z ? a->z : b->z);
    return pOut;
}

// v divided by its length; the zero vector for a zero vector or one too short to normalise.
// pOut may be pV.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);

// Transforms the point (x, y, z, 1) by m and divides by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

// ---- Matrices -------------------------------------------------------------------------------
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
// Rotation about y: rows (cos, 0, -sin, 0), (0, 1, 0, 0), (sin, 0, cos, 0), (0, 0, 0, 1).
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
// Rotation about z: rows (cos, sin, 0, 0), (-sin, cos, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1).
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
// Left-handed view matrix looking from eye towards at.
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
// Left-handed projection onto depth 0..1 between the near and far planes.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);

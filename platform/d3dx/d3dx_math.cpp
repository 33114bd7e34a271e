// D3DX vector and matrix functions that are not inline.
#include "d3dx/d3dx8math.h"

#include <cmath>
#include <cstring>

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
                       float f24, float f31, float f32, float f33, float f34, float f41, float f42,
                       float f43, float f44) {
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, this, &other);
    return result;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            if (m[row][col] != other.m[row][col]) {
                return false;
            }
        }
    }
    return true;
}

D3DXCOLOR::D3DXCOLOR(D3DCOLOR argb)
    : r(static_cast<float>((argb >> 16) & 0xFF) / 255.0f),
      g(static_cast<float>((argb >> 8) & 0xFF) / 255.0f),
      b(static_cast<float>(argb & 0xFF) / 255.0f),
      a(static_cast<float>((argb >> 24) & 0xFF) / 255.0f) {}

D3DXCOLOR::operator D3DCOLOR() const {
    const auto channel = [](float value) -> unsigned {
        if (!(value > 0.0f)) {
            return 0;
        }
        if (value >= 1.0f) {
            return 255;
        }
        return static_cast<unsigned>(value * 255.0f + 0.5f);
    };
    return D3DCOLOR_ARGB(channel(a), channel(r), channel(g), channel(b));
}

float D3DXVec3Length(const D3DXVECTOR3* v) {
    return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const float length = D3DXVec3Length(pV);
    // A length of zero, or one so small that its reciprocal overflows, has no direction.
    const float inverse = length > 0.0f ? 1.0f / length : 0.0f;
    if (!(length > 0.0f) || std::isinf(inverse)) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    *pOut = D3DXVECTOR3(pV->x * inverse, pV->y * inverse, pV->z * inverse);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXMATRIX* pM) {
    const float x = pV->x * pM->_11 + pV->y * pM->_21 + pV->z * pM->_31 + pM->_41;
    const float y = pV->x * pM->_12 + pV->y * pM->_22 + pV->z * pM->_32 + pM->_42;
    const float z = pV->x * pM->_13 + pV->y * pM->_23 + pV->z * pM->_33 + pM->_43;
    const float w = pV->x * pM->_14 + pV->y * pM->_24 + pV->z * pM->_34 + pM->_44;
    *pOut = D3DXVECTOR3(x / w, y / w, z / w);
    return pOut;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    std::memset(pOut->m, 0, sizeof pOut->m);
    pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    D3DXMATRIX product;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            product.m[row][col] = pM1->m[row][0] * pM2->m[0][col] +
                                  pM1->m[row][1] * pM2->m[1][col] +
                                  pM1->m[row][2] * pM2->m[2][col] + pM1->m[row][3] * pM2->m[3][col];
        }
    }
    *pOut = product;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    D3DXVECTOR3 zAxis = *pAt - *pEye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, pUp, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);

    D3DXMatrixIdentity(pOut);
    pOut->_11 = xAxis.x, pOut->_12 = yAxis.x, pOut->_13 = zAxis.x;
    pOut->_21 = xAxis.y, pOut->_22 = yAxis.y, pOut->_23 = zAxis.y;
    pOut->_31 = xAxis.z, pOut->_32 = yAxis.z, pOut->_33 = zAxis.z;
    pOut->_41 = -D3DXVec3Dot(&xAxis, pEye);
    pOut->_42 = -D3DXVec3Dot(&yAxis, pEye);
    pOut->_43 = -D3DXVec3Dot(&zAxis, pEye);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
    const float h = 1.0f / std::tan(fovy / 2.0f);
    std::memset(pOut->m, 0, sizeof pOut->m);
    pOut->_11 = h / aspect;
    pOut->_22 = h;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = -zn * zf / (zf - zn);
    return pOut;
}

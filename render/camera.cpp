// SetupCamera: the world, view and projection transforms of a frame.
#include "world/mesh_model.h"

namespace {
constexpr float FIELD_OF_VIEW = 0.7853982f;
// The picture keeps this shape whatever the screen size.
constexpr float ASPECT_RATIO = 1.3f;
constexpr float NEAR_PLANE = 0.1f;
constexpr float FAR_PLANE = 130.0f;
} // namespace

HRESULT MeshModel::SetupCamera(Vec3 eye, Vec3 direction, Vec3 up) {
    Matrix4 world;
    D3DXMatrixRotationY(&world, 0.0f);
    device->SetTransform(D3DTS_WORLD, &world);

    const Vec3 target = eye + direction;
    Matrix4 view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    device->SetTransform(D3DTS_VIEW, &view);

    Matrix4 projection;
    D3DXMatrixPerspectiveFovLH(&projection, FIELD_OF_VIEW, ASPECT_RATIO, NEAR_PLANE, FAR_PLANE);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    return S_OK;
}

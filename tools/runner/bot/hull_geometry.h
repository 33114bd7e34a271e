// The collision hull as the bot sees it: its triangles, split into the fixed level and the
// boxes of the 44 doors, switches and buttons (which move), with a grid over the ground plan
// for finding the triangles near a point.
#pragma once

#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"

#include <string>
#include <vector>

struct HullTriangle {
    Vec3 a;
    Vec3 b;
    Vec3 c;
    Vec3 normal;
    int object = -1; // the animated object whose box this is, or -1 for the fixed level
};

// A floor under a point: its height and the normal of the face it lies on.
struct FloorHit {
    float y;
    Vec3 normal;
};

// Faces whose normal points at least this much upwards count as ground for the player.
constexpr float GROUND_NORMAL_Y = 0.65f;

class HullGeometry {
  public:
    // Reads every face of the hull mesh; object boxes are the faces on the box vertices.
    bool Load(ID3DXMesh* hull, int objectCount, std::string& error);
    // The same from vertex positions and three indices per face.
    bool Build(const std::vector<Vec3>& positions, const std::vector<DWORD>& faceIndices,
               int objectCount, std::string& error);
    // Reads the object boxes again, where the doors have moved them.
    void RefreshObjects(ID3DXMesh* hull);

    // The fixed ground faces under (x, z), highest first.
    void FloorsAt(float x, float z, std::vector<FloorHit>& floors) const;
    // True when every face of the fixed level keeps at least r + margin from centre.
    bool SphereClearOfLevel(Vec3 centre, float r, float margin) const;
    // The first object whose box comes closer than r to centre, or -1.
    int ObjectTouchingSphere(Vec3 centre, float r) const;

    // The corners of an object's box as the hull held them when it was built (the objects
    // stand closed at start-up), in the hull's corner order.
    const Vec3* InitialObjectBox(int object) const {
        return &initialObjectCorners[static_cast<size_t>(object) * 8];
    }
    int ObjectCount() const { return static_cast<int>(objectTriangles.size()); }

    float MinX() const { return minX; }
    float MinZ() const { return minZ; }
    float MaxX() const { return maxX; }
    float MaxZ() const { return maxZ; }

  private:
    void UpdateObjectBounds();
    const std::vector<int>& Bucket(float x, float z) const;

    std::vector<HullTriangle> triangles;
    std::vector<std::vector<int>> objectTriangles; // per object, indices into triangles
    std::vector<Vec3> objectLow;                   // per object, the box's bounds
    std::vector<Vec3> objectHigh;
    std::vector<std::vector<int>> buckets;  // fixed triangles near each grid cell
    std::vector<DWORD> indices;             // three per face, for RefreshObjects
    std::vector<Vec3> initialObjectCorners; // eight per object
    float minX = 0.0f;
    float minZ = 0.0f;
    float maxX = 0.0f;
    float maxZ = 0.0f;
    int columns = 0;
    int rows = 0;
};

// The point of the triangle nearest to p.
Vec3 ClosestPointOnTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c);
// The squared distance from p to the nearest point of the triangle.
float PointTriangleDistanceSquared(Vec3 p, Vec3 a, Vec3 b, Vec3 c);

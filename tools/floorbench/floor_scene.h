// The level's models as plain OpenGL objects: one static vertex and index buffer per model,
// one texture per material, the faces of each material as one index range. The floor
// benchmark draws them with a single trivial program, as directly as OpenGL allows.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <vector>

struct FloorSubset {
    GLuint texture = 0; // a white texel when the material has no texture
    float alpha = 0.0f; // the material's alpha: 0 cut-out, above 0 translucent
    GLsizei firstIndex = 0;
    GLsizei indexCount = 0;
};

struct FloorModel {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    std::vector<FloorSubset> subsets;
};

// Loads data/<file> from the working folder into a model; false with error set.
bool LoadFloorModel(const char* file, FloorModel& model, std::string& error);

// Frees every model's and texture's OpenGL objects.
void FreeFloorScene(std::vector<FloorModel*>& models);

// Loading for the floor benchmark: the X reader and the image decoders of the platform layer,
// then straight into OpenGL buffers and mip-mapped RGBA textures.
#include "tools/floorbench/floor_scene.h"

#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"
#include "d3dx/x_mesh_builder.h"

#include <fstream>
#include <iterator>
#include <map>

namespace {

std::map<std::string, GLuint> textureCache;
GLuint whiteTexture = 0;

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

GLuint MakeTexture(uint32_t width, uint32_t height, const void* bgra) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

GLuint White() {
    if (whiteTexture == 0) {
        const uint32_t texel = 0xFFFFFFFFu;
        whiteTexture = MakeTexture(1, 1, &texel);
    }
    return whiteTexture;
}

// The texture of a material, decoded once per file name. Names are stored as the game
// resolves them, against the working folder, with backslashes.
GLuint LoadTexture(std::string name) {
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    auto found = textureCache.find(name);
    if (found != textureCache.end())
        return found->second;
    std::vector<uint8_t> bytes;
    DecodedImage image;
    std::string error;
    GLuint texture = White();
    if (ReadFile(name, bytes) && DecodeImage(bytes.data(), bytes.size(), image, error) &&
        !image.levels.empty() && CanConvert(image.format)) {
        const ImageLevel argb = ConvertToArgb(image.format, image.levels[0]);
        texture = MakeTexture(argb.width, argb.height, argb.bytes.data());
    }
    textureCache[name] = texture;
    return texture;
}

} // namespace

bool LoadFloorModel(const char* file, FloorModel& model, std::string& error) {
    const std::string path = std::string("data/") + file;
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    XMeshData mesh;
    XHeader header;
    if (!LoadXMeshFromMemory(bytes.data(), bytes.size(), mesh, header, error))
        return false;

    glGenVertexArrays(1, &model.vertexArray);
    glBindVertexArray(model.vertexArray);
    glGenBuffers(1, &model.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, model.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size()),
                 mesh.vertices.data(), GL_STATIC_DRAW);

    // Position, then the normal, diffuse colour and texture coordinate where the file has them.
    const GLsizei stride = static_cast<GLsizei>(mesh.vertexSize);
    auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
    size_t offset = 12;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(0));
    if (mesh.fvf & 0x010)
        offset += 12;
    if (mesh.fvf & 0x040) {
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(offset));
        offset += 4;
    } else {
        glVertexAttrib4f(1, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if ((mesh.fvf & 0xF00) != 0) {
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, at(offset));
    }

    // Faces grouped by material, each group one range of the index buffer.
    std::vector<uint32_t> indices;
    indices.reserve(mesh.indices.size());
    for (uint32_t m = 0; m < mesh.materials.size(); ++m) {
        FloorSubset subset;
        subset.firstIndex = static_cast<GLsizei>(indices.size());
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            if (mesh.attributes[f] == m)
                indices.insert(indices.end(), &mesh.indices[f * 3], &mesh.indices[f * 3] + 3);
        }
        subset.indexCount = static_cast<GLsizei>(indices.size()) - subset.firstIndex;
        const XMaterialData& material = mesh.materials[m];
        subset.alpha = material.material.Diffuse.a;
        subset.texture = material.hasTexture ? LoadTexture(material.textureName) : White();
        if (subset.indexCount > 0)
            model.subsets.push_back(subset);
    }
    glGenBuffers(1, &model.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, model.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 4),
                 indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    return true;
}

void FreeFloorScene(std::vector<FloorModel*>& models) {
    for (FloorModel* model : models) {
        glDeleteBuffers(1, &model->vertexBuffer);
        glDeleteBuffers(1, &model->indexBuffer);
        glDeleteVertexArrays(1, &model->vertexArray);
    }
    for (const auto& entry : textureCache) {
        if (entry.second != whiteTexture)
            glDeleteTextures(1, &entry.second);
    }
    textureCache.clear();
    if (whiteTexture != 0)
        glDeleteTextures(1, &whiteTexture);
    whiteTexture = 0;
}

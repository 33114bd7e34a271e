// Drawing and clearing: turns the tracked Direct3D state into OpenGL state, the choice of a
// fixed-function program and its uniform values, issuing only what changed since the last draw.
#include "d3d8/d3d8_local.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {

// OpenGL primitive and vertex (or index) count for a Direct3D primitive count.
bool PrimitiveShape(D3DPRIMITIVETYPE type, UINT primitives, GLenum& mode, GLsizei& count) {
    switch (type) {
    case D3DPT_POINTLIST:
        mode = GL_POINTS;
        count = static_cast<GLsizei>(primitives);
        return true;
    case D3DPT_LINELIST:
        mode = GL_LINES;
        count = static_cast<GLsizei>(primitives * 2);
        return true;
    case D3DPT_LINESTRIP:
        mode = GL_LINE_STRIP;
        count = static_cast<GLsizei>(primitives + 1);
        return true;
    case D3DPT_TRIANGLELIST:
        mode = GL_TRIANGLES;
        count = static_cast<GLsizei>(primitives * 3);
        return true;
    case D3DPT_TRIANGLESTRIP:
        mode = GL_TRIANGLE_STRIP;
        count = static_cast<GLsizei>(primitives + 2);
        return true;
    case D3DPT_TRIANGLEFAN:
        mode = GL_TRIANGLE_FAN;
        count = static_cast<GLsizei>(primitives + 2);
        return true;
    }
    return false;
}

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, float* out) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[r][k] * b.m[k][c];
            out[r * 4 + c] = sum;
        }
    }
}

void ColourToFloats(D3DCOLOR colour, float* out) {
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
}

} // namespace

HRESULT D3D8Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                  UINT PrimitiveCount) {
    recorder.Add("DrawPrimitive", {PrimitiveType, StartVertex, PrimitiveCount});
    if (streamSource == nullptr || context == nullptr)
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    GLuint buffer = streamSource->store.Prepare(GL_ARRAY_BUFFER, cache.arrayBuffer);
    return Draw(PrimitiveType, PrimitiveCount, buffer, streamStride, StartVertex, nullptr, 0, 0);
}

HRESULT D3D8Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex,
                                         UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) {
    recorder.Add("DrawIndexedPrimitive",
                 {PrimitiveType, MinIndex, NumVertices, StartIndex, PrimitiveCount});
    if (streamSource == nullptr || indexSource == nullptr || context == nullptr)
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    GLuint buffer = streamSource->store.Prepare(GL_ARRAY_BUFFER, cache.arrayBuffer);
    return Draw(PrimitiveType, PrimitiveCount, buffer, streamStride, 0, indexSource, StartIndex,
                static_cast<int>(baseVertexIndex));
}

HRESULT D3D8Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData,
                                    UINT VertexStreamZeroStride) {
    recorder.Add("DrawPrimitiveUP",
                 {PrimitiveType, PrimitiveCount, pVertexStreamZeroData != nullptr ? 1u : 0u,
                  VertexStreamZeroStride});
    GLenum mode;
    GLsizei count;
    if (pVertexStreamZeroData == nullptr || VertexStreamZeroStride == 0 || context == nullptr ||
        !PrimitiveShape(PrimitiveType, PrimitiveCount, mode, count))
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    // The platform leaves stream 0 unset after a draw from user memory.
    if (streamSource != nullptr)
        streamSource->Unbind();
    streamSource = nullptr;
    streamStride = 0;
    if (PrimitiveCount == 0)
        return D3D_OK;
    if (Differs(cache.arrayBuffer, streamBuffer))
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * VertexStreamZeroStride,
                 pVertexStreamZeroData, GL_STREAM_DRAW);
    return Draw(PrimitiveType, PrimitiveCount, streamBuffer, VertexStreamZeroStride, 0, nullptr, 0,
                0);
}

HRESULT D3D8Device::Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, GLuint vertexBuffer,
                         UINT vertexStride, UINT firstVertex, D3D8IndexBuffer* indices,
                         UINT startIndex, int baseVertex) {
    GLenum mode;
    GLsizei count;
    if (!PrimitiveShape(type, primitiveCount, mode, count))
        return D3DERR_INVALIDCALL;
    D3D8VertexLayout layout;
    // Bit 0 marks a programmable vertex shader handle, which this layer does not run.
    if ((state.vertexShader & D3DFVF_RESERVED0) != 0 || !D3D8DecodeFvf(state.vertexShader, layout))
        return D3DERR_INVALIDCALL;
    if (vertexStride == 0)
        vertexStride = layout.size;
    if (primitiveCount == 0)
        return D3D_OK;
    if (indices == nullptr && streamSource != nullptr &&
        (static_cast<uint64_t>(firstVertex) + static_cast<uint64_t>(count) - 1) * vertexStride +
                layout.size >
            streamSource->store.bytes.size())
        return D3DERR_INVALIDCALL;
    if (indices != nullptr &&
        (static_cast<uint64_t>(startIndex) + static_cast<uint64_t>(count)) * indices->IndexSize() >
            indices->store.bytes.size())
        return D3DERR_INVALIDCALL;
    if (indices != nullptr && streamSource != nullptr) {
        // An index past the end of the vertex buffer would make OpenGL read outside it. The
        // buffer-wide maximum settles the usual case; only a buffer that also indexes
        // elsewhere needs the drawn range scanned.
        const uint64_t vertexCount = streamSource->store.bytes.size() / vertexStride;
        const auto past = [&](uint32_t index) {
            return baseVertex < 0 || static_cast<uint64_t>(index) + baseVertex >= vertexCount;
        };
        if (past(indices->MaxIndex()) &&
            past(indices->MaxIndex(startIndex, static_cast<UINT>(count))))
            return D3DERR_INVALIDCALL;
    }

    GLuint elements = 0;
    if (indices != nullptr) {
        elements = indices->store.Prepare(GL_ELEMENT_ARRAY_BUFFER, cache.elementBuffer);
        // Lines and points of an unfilled triangle reach half a pixel beyond it.
        if (mode == GL_TRIANGLES && !layout.pretransformed && culling &&
            state.renderStates[D3DRS_FILLMODE] == D3DFILL_SOLID &&
            primitiveCount >= D3D8TriangleCulling::SMALLEST_CULLED_TRIANGLES) {
            CullTriangles(*indices, vertexStride, startIndex, static_cast<UINT>(count), baseVertex);
            if (visibleRuns.empty())
                return D3D_OK;
        } else {
            visibleRuns.assign(1, {startIndex, static_cast<uint32_t>(count)});
        }
    }

    const bool points = mode == GL_POINTS;
    const D3D8ProgramKey key = D3D8MakeProgramKey(state, layout, points, textures[0] != nullptr);
    if (programs.Use(key, stateFiltering))
        ++glStateCalls;
    ApplyPipelineState();
    ApplyTexture();
    ApplyViewport();
    if (!ApplyVertexLayout(vertexBuffer, vertexStride, layout))
        return D3DERR_INVALIDCALL;
    ApplyConstants(key);

    if (indices != nullptr) {
        if (Differs(cache.elementBuffer, elements))
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements);
        DrawRuns(mode, indices->IndexSize(), baseVertex);
    } else {
        glDrawArrays(mode, static_cast<GLint>(firstVertex), count);
    }
    // Every state this layer translates must be one OpenGL accepts.
    assert(glGetError() == GL_NO_ERROR);
    return D3D_OK;
}

void D3D8Device::CullTriangles(D3D8IndexBuffer& indices, UINT vertexStride, UINT startIndex,
                               UINT indexCount, int baseVertex) {
    D3D8CullingSource source;
    source.vertices = streamSource->store.bytes.data();
    source.stride = vertexStride;
    source.vertexBufferId = streamSource->resourceId;
    source.vertexGeneration = streamSource->store.generation;
    source.changed = &streamSource->store.changed;
    source.indices = indices.store.bytes.data();
    source.indexSize = indices.IndexSize();
    source.indexGeneration = indices.store.generation;
    source.baseVertex = baseVertex;
    float worldView[16], clip[16];
    Multiply(state.transforms[D3DTS_WORLD], state.transforms[D3DTS_VIEW], worldView);
    D3DMATRIX combined;
    std::memcpy(&combined.m[0][0], worldView, sizeof worldView);
    Multiply(combined, state.transforms[D3DTS_PROJECTION], clip);
    culledTriangles +=
        indices.culling.VisibleRuns(source, startIndex, indexCount, clip, visibleRuns);
}

void D3D8Device::DrawRuns(GLenum mode, UINT indexSize, int baseVertex) {
    const GLenum indexType = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    auto offset = [&](const D3D8IndexRun& run) {
        return reinterpret_cast<const void*>(static_cast<uintptr_t>(run.firstIndex) * indexSize);
    };
    if (visibleRuns.size() == 1) {
        glDrawElementsBaseVertex(mode, static_cast<GLsizei>(visibleRuns[0].indexCount), indexType,
                                 offset(visibleRuns[0]), baseVertex);
        return;
    }
    runCounts.clear();
    runOffsets.clear();
    runBases.assign(visibleRuns.size(), baseVertex);
    for (const D3D8IndexRun& run : visibleRuns) {
        runCounts.push_back(static_cast<GLsizei>(run.indexCount));
        runOffsets.push_back(offset(run));
    }
    glMultiDrawElementsBaseVertex(mode, runCounts.data(), indexType, runOffsets.data(),
                                  static_cast<GLsizei>(visibleRuns.size()), runBases.data());
}

void D3D8Device::ApplyPipelineState() {
    const auto& rs = state.renderStates;

    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    if (Differs(cache.blend, blend))
        blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    if (blend) {
        GLenum src = D3D8GlBlendFactor(rs[D3DRS_SRCBLEND], true);
        GLenum dst = D3D8GlBlendFactor(rs[D3DRS_DESTBLEND], false);
        // The "both" factors set the destination factor too, whatever DESTBLEND says.
        if (rs[D3DRS_SRCBLEND] == 12 || rs[D3DRS_SRCBLEND] == 13)
            dst = D3D8GlBlendFactor(rs[D3DRS_SRCBLEND], false);
        bool changed = Differs(cache.blendSrc, src);
        changed = Differs(cache.blendDst, dst) || changed;
        if (changed)
            glBlendFunc(src, dst);
        GLenum equation = D3D8GlBlendEquation(rs[D3DRS_BLENDOP]);
        if (Differs(cache.blendEquation, equation))
            glBlendEquation(equation);
    }

    const bool depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthBuffer != 0;
    if (Differs(cache.depthTest, depthTest))
        depthTest ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
    if (depthTest) {
        GLenum func = D3D8GlCompareFunc(rs[D3DRS_ZFUNC]);
        if (Differs(cache.depthFunc, func))
            glDepthFunc(func);
        bool mask = rs[D3DRS_ZWRITEENABLE] != FALSE;
        if (Differs(cache.depthMask, mask))
            glDepthMask(mask ? GL_TRUE : GL_FALSE);
    }

    // The back buffer is stored top row first, which mirrors OpenGL's winding: triangles
    // clockwise on screen are OpenGL's counter-clockwise front faces.
    GLenum cull = 0;
    if (rs[D3DRS_CULLMODE] == D3DCULL_CCW)
        cull = GL_BACK;
    else if (rs[D3DRS_CULLMODE] == D3DCULL_CW)
        cull = GL_FRONT;
    const GLenum previousCull = cache.cullFace;
    if (Differs(cache.cullFace, cull)) {
        if (cull == 0) {
            glDisable(GL_CULL_FACE);
        } else {
            if (previousCull == 0 || !stateFiltering)
                glEnable(GL_CULL_FACE);
            glCullFace(cull);
        }
    }

    const DWORD writeMask = rs[D3DRS_COLORWRITEENABLE];
    const std::array<bool, 4> colorMask = {(writeMask & 1) != 0, (writeMask & 2) != 0,
                                           (writeMask & 4) != 0, (writeMask & 8) != 0};
    if (Differs(cache.colorMask, colorMask))
        glColorMask(colorMask[0], colorMask[1], colorMask[2], colorMask[3]);

    GLenum polygonMode = GL_FILL;
    if (rs[D3DRS_FILLMODE] == D3DFILL_POINT)
        polygonMode = GL_POINT;
    else if (rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME)
        polygonMode = GL_LINE;
    if (Differs(cache.polygonMode, polygonMode))
        glPolygonMode(GL_FRONT_AND_BACK, polygonMode);

    const bool dither = rs[D3DRS_DITHERENABLE] != FALSE;
    if (Differs(cache.dither, dither))
        dither ? glEnable(GL_DITHER) : glDisable(GL_DITHER);

    if (Differs(cache.scissor, false))
        glDisable(GL_SCISSOR_TEST);
}

void D3D8Device::ApplyTexture() {
    D3D8Texture* texture = textures[0];
    if (texture == nullptr)
        return;
    GLuint name = texture->Prepare(compressedUpload, cache.texture);
    if (Differs(cache.texture, name))
        glBindTexture(GL_TEXTURE_2D, name);

    const auto& ts = state.stageStates[0];
    const std::array<GLint, 5> sampling = {
        D3D8GlAddressMode(ts[D3DTSS_ADDRESSU]), D3D8GlAddressMode(ts[D3DTSS_ADDRESSV]),
        D3D8GlMinFilter(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER]),
        D3D8GlMagFilter(ts[D3DTSS_MAGFILTER]), static_cast<GLint>(ts[D3DTSS_BORDERCOLOR])};
    const std::array<GLint, 5> previous = cache.samplerParams;
    if (Differs(cache.samplerParams, sampling)) {
        const GLenum names[4] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MIN_FILTER,
                                 GL_TEXTURE_MAG_FILTER};
        for (int i = 0; i < 4; ++i) {
            if (sampling[i] != previous[i] || !stateFiltering)
                glSamplerParameteri(sampler, names[i], sampling[i]);
        }
        float border[4];
        ColourToFloats(ts[D3DTSS_BORDERCOLOR], border);
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
    }
    // MAXMIPLEVEL names the most detailed level that may be used.
    const std::array<float, 2> lod = {D3DBitsFloat(ts[D3DTSS_MIPMAPLODBIAS]),
                                      static_cast<float>(ts[D3DTSS_MAXMIPLEVEL])};
    if (Differs(cache.samplerLod, lod)) {
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, lod[0]);
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, lod[1]);
    }
}

void D3D8Device::ApplyViewport() {
    const D3DVIEWPORT8& vp = state.viewport;
    // Rows are stored top first, so Direct3D's rectangle is OpenGL's.
    const std::array<GLint, 4> rect = {static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y),
                                       static_cast<GLint>(vp.Width), static_cast<GLint>(vp.Height)};
    if (Differs(cache.viewport, rect))
        glViewport(rect[0], rect[1], rect[2], rect[3]);
    const std::array<float, 2> range = {vp.MinZ, vp.MaxZ};
    if (Differs(cache.depthRange, range))
        glDepthRange(range[0], range[1]);
}

bool D3D8Device::ApplyVertexLayout(GLuint buffer, UINT stride, const D3D8VertexLayout& layout) {
    const DWORD texSet = state.stageStates[0][D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    const std::array<int64_t, 4> key = {buffer, stride, state.vertexShader, texSet};
    if (!Differs(cache.layoutKey, key))
        return true;
    if (Differs(cache.arrayBuffer, buffer))
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLsizei glStride = static_cast<GLsizei>(stride);
    auto at = [](int offset) {
        return reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
    };

    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, layout.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, glStride, at(0));

    // Colours are D3DCOLOR values: bytes B, G, R, A in memory.
    auto colour = [&](GLuint index, int offset, float fallback) {
        if (offset >= 0) {
            glEnableVertexAttribArray(index);
            glVertexAttribPointer(index, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, glStride, at(offset));
        } else {
            glDisableVertexAttribArray(index);
            glVertexAttrib4f(index, fallback, fallback, fallback, fallback);
        }
    };
    // Without lighting a vertex without a diffuse colour is opaque white.
    colour(1, layout.diffuse, 1.0f);
    colour(2, layout.specular, 0.0f);

    if (texSet < static_cast<DWORD>(layout.texCoordCount)) {
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(3, layout.texCoordSize[texSet], GL_FLOAT, GL_FALSE, glStride,
                              at(layout.texCoord[texSet]));
    } else {
        glDisableVertexAttribArray(3);
        glVertexAttrib4f(3, 0.0f, 0.0f, 0.0f, 1.0f);
    }

    if (layout.pointSize >= 0) {
        glEnableVertexAttribArray(4);
        glVertexAttribPointer(4, 1, GL_FLOAT, GL_FALSE, glStride, at(layout.pointSize));
    } else {
        glDisableVertexAttribArray(4);
        glVertexAttrib1f(4, 1.0f);
    }
    return true;
}

void D3D8Device::ApplyConstants(const D3D8ProgramKey& key) {
    const auto& rs = state.renderStates;
    D3D8ShaderConstants c{};

    const D3DMATRIX& world = state.transforms[D3DTS_WORLD];
    const D3DMATRIX& view = state.transforms[D3DTS_VIEW];
    const D3DMATRIX& projection = state.transforms[D3DTS_PROJECTION];
    // Row vectors: a point goes through world, then view. OpenGL reads the row-major
    // matrices as their transposes, which is what its column-vector products need.
    Multiply(world, view, c.worldView);
    std::memcpy(c.projection, &projection.m[0][0], sizeof c.projection);

    const D3DVIEWPORT8& vp = state.viewport;
    c.viewport[0] = static_cast<float>(vp.X);
    c.viewport[1] = static_cast<float>(vp.Y);
    c.viewport[2] = static_cast<float>(vp.Width);
    c.viewport[3] = static_cast<float>(vp.Height);
    c.depthRange[0] = vp.MinZ;
    c.depthRange[1] = vp.MaxZ;

    c.pointSize[0] = D3DBitsFloat(rs[D3DRS_POINTSIZE]);
    c.pointSize[1] = D3DBitsFloat(rs[D3DRS_POINTSIZE_MIN]);
    c.pointSize[2] = D3DBitsFloat(rs[D3DRS_POINTSIZE_MAX]);
    c.pointSize[3] = key.pointScale ? 1.0f : 0.0f;
    c.pointScale[0] = D3DBitsFloat(rs[D3DRS_POINTSCALE_A]);
    c.pointScale[1] = D3DBitsFloat(rs[D3DRS_POINTSCALE_B]);
    c.pointScale[2] = D3DBitsFloat(rs[D3DRS_POINTSCALE_C]);
    c.pointScale[3] = key.spriteCoords ? 1.0f : 0.0f;

    if (key.fogMode != 0) {
        c.fog[0] = D3DBitsFloat(rs[D3DRS_FOGSTART]);
        c.fog[1] = D3DBitsFloat(rs[D3DRS_FOGEND]);
        c.fog[2] = D3DBitsFloat(rs[D3DRS_FOGDENSITY]);
        c.fog[3] = static_cast<float>(key.fogMode);
        ColourToFloats(rs[D3DRS_FOGCOLOR], c.fogColor);
    }
    ColourToFloats(rs[D3DRS_TEXTUREFACTOR], c.textureFactor);
    c.alphaRef[0] = static_cast<int32_t>(rs[D3DRS_ALPHAREF] & 0xFF);

    if (programs.SetConstants(c, stateFiltering))
        ++glStateCalls;
}

HRESULT D3D8Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil) {
    recorder.Add("Clear",
                 {Count, pRects != nullptr ? 1u : 0u, Flags, Color, D3DFloatBits(Z), Stencil});
    if (context == nullptr)
        return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_ZBUFFER) != 0 && depthBuffer == 0)
        return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) != 0 && !hasStencil)
        return D3DERR_INVALIDCALL;
    MakeCurrent();

    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        float rgba[4];
        ColourToFloats(Color, rgba);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        if (Differs(cache.colorMask, {true, true, true, true}))
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
    if (Flags & D3DCLEAR_ZBUFFER) {
        mask |= GL_DEPTH_BUFFER_BIT;
        glClearDepth(Z);
        if (Differs(cache.depthMask, true))
            glDepthMask(GL_TRUE);
    }
    if (Flags & D3DCLEAR_STENCIL) {
        mask |= GL_STENCIL_BUFFER_BIT;
        glClearStencil(static_cast<GLint>(Stencil));
        glStencilMask(0xFF);
    }
    if (mask == 0)
        return D3D_OK;

    // The clear covers the viewport, or the given rectangles within it.
    const D3DVIEWPORT8& vp = state.viewport;
    const LONG vpLeft = static_cast<LONG>(vp.X), vpTop = static_cast<LONG>(vp.Y);
    const LONG vpRight = vpLeft + static_cast<LONG>(vp.Width);
    const LONG vpBottom = vpTop + static_cast<LONG>(vp.Height);
    const D3DRECT whole = {vpLeft, vpTop, vpRight, vpBottom};
    const bool everything = Count == 0 || pRects == nullptr;
    const D3DRECT* rects = everything ? &whole : pRects;
    const DWORD rectCount = everything ? 1 : Count;
    if (Differs(cache.scissor, true))
        glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < rectCount; ++i) {
        const D3DRECT& r = rects[i];
        LONG left = std::max(r.x1, vpLeft), top = std::max(r.y1, vpTop);
        LONG right = std::min(r.x2, vpRight), bottom = std::min(r.y2, vpBottom);
        if (left >= right || top >= bottom)
            continue;
        glScissor(left, top, right - left, bottom - top);
        glClear(mask);
    }
    assert(glGetError() == GL_NO_ERROR);
    return D3D_OK;
}

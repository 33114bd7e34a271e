// Render and texture-stage state calls as readable tokens, "ALPHAFUNC=GREATEREQUAL" or
// "TSS0 ADDRESSV=MIRROR", so expected call sequences say which state gets which value by the
// platform's names rather than by their numbers. A state the table does not know stays numeric
// ("RS 161=1"), so an unexpected call still shows in a failing comparison.
#pragma once

#include "d3d8/d3d8.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace statetokens {

enum class ValueKind { NUMBER, BOOLEAN, HEX, FLOAT, COMPARE, BLEND, CULL, FOG, ADDRESS, FILTER };

struct StateName {
    DWORD state;
    const char* name;
    ValueKind kind;
};

constexpr StateName RENDER_STATES[] = {
    {D3DRS_ZENABLE, "ZENABLE", ValueKind::BOOLEAN},
    {D3DRS_ZWRITEENABLE, "ZWRITEENABLE", ValueKind::BOOLEAN},
    {D3DRS_ALPHATESTENABLE, "ALPHATESTENABLE", ValueKind::BOOLEAN},
    {D3DRS_SRCBLEND, "SRCBLEND", ValueKind::BLEND},
    {D3DRS_DESTBLEND, "DESTBLEND", ValueKind::BLEND},
    {D3DRS_CULLMODE, "CULLMODE", ValueKind::CULL},
    {D3DRS_ZFUNC, "ZFUNC", ValueKind::COMPARE},
    {D3DRS_ALPHAREF, "ALPHAREF", ValueKind::NUMBER},
    {D3DRS_ALPHAFUNC, "ALPHAFUNC", ValueKind::COMPARE},
    {D3DRS_ALPHABLENDENABLE, "ALPHABLENDENABLE", ValueKind::BOOLEAN},
    {D3DRS_FOGENABLE, "FOGENABLE", ValueKind::BOOLEAN},
    {D3DRS_FOGCOLOR, "FOGCOLOR", ValueKind::HEX},
    {D3DRS_FOGTABLEMODE, "FOGTABLEMODE", ValueKind::FOG},
    {D3DRS_FOGSTART, "FOGSTART", ValueKind::FLOAT},
    {D3DRS_FOGEND, "FOGEND", ValueKind::FLOAT},
    {D3DRS_TEXTUREFACTOR, "TEXTUREFACTOR", ValueKind::HEX},
    {D3DRS_LIGHTING, "LIGHTING", ValueKind::BOOLEAN},
    {D3DRS_AMBIENT, "AMBIENT", ValueKind::HEX},
    {D3DRS_POINTSIZE, "POINTSIZE", ValueKind::FLOAT},
    {D3DRS_POINTSIZE_MIN, "POINTSIZE_MIN", ValueKind::FLOAT},
    {D3DRS_POINTSPRITEENABLE, "POINTSPRITEENABLE", ValueKind::BOOLEAN},
    {D3DRS_POINTSCALEENABLE, "POINTSCALEENABLE", ValueKind::BOOLEAN},
    {D3DRS_POINTSCALE_A, "POINTSCALE_A", ValueKind::FLOAT},
    {D3DRS_POINTSCALE_B, "POINTSCALE_B", ValueKind::FLOAT},
    {D3DRS_POINTSCALE_C, "POINTSCALE_C", ValueKind::FLOAT},
};

constexpr StateName STAGE_STATES[] = {
    {D3DTSS_COLOROP, "COLOROP", ValueKind::NUMBER},
    {D3DTSS_ALPHAOP, "ALPHAOP", ValueKind::NUMBER},
    {D3DTSS_ADDRESSU, "ADDRESSU", ValueKind::ADDRESS},
    {D3DTSS_ADDRESSV, "ADDRESSV", ValueKind::ADDRESS},
    {D3DTSS_MAGFILTER, "MAGFILTER", ValueKind::FILTER},
    {D3DTSS_MINFILTER, "MINFILTER", ValueKind::FILTER},
    {D3DTSS_MIPFILTER, "MIPFILTER", ValueKind::FILTER},
};

inline const char* Named(ValueKind kind, DWORD value) {
    switch (kind) {
    case ValueKind::BOOLEAN:
        return value == TRUE ? "TRUE" : value == FALSE ? "FALSE" : nullptr;
    case ValueKind::COMPARE: {
        static const char* const names[] = {nullptr,    "NEVER",        "LESS",
                                            "EQUAL",    "LESSEQUAL",    "GREATER",
                                            "NOTEQUAL", "GREATEREQUAL", "ALWAYS"};
        return value < 9 ? names[value] : nullptr;
    }
    case ValueKind::BLEND: {
        static const char* const names[] = {nullptr,       "ZERO",        "ONE",
                                            "SRCCOLOR",    "INVSRCCOLOR", "SRCALPHA",
                                            "INVSRCALPHA", "DESTALPHA",   "INVDESTALPHA"};
        return value < 9 ? names[value] : nullptr;
    }
    case ValueKind::CULL:
        return value == D3DCULL_NONE  ? "NONE"
               : value == D3DCULL_CW  ? "CW"
               : value == D3DCULL_CCW ? "CCW"
                                      : nullptr;
    case ValueKind::FOG:
        return value == D3DFOG_NONE ? "NONE" : value == D3DFOG_LINEAR ? "LINEAR" : nullptr;
    case ValueKind::ADDRESS:
        return value == D3DTADDRESS_WRAP     ? "WRAP"
               : value == D3DTADDRESS_MIRROR ? "MIRROR"
               : value == D3DTADDRESS_CLAMP  ? "CLAMP"
                                             : nullptr;
    case ValueKind::FILTER:
        return value == D3DTEXF_NONE     ? "NONE"
               : value == D3DTEXF_POINT  ? "POINT"
               : value == D3DTEXF_LINEAR ? "LINEAR"
                                         : nullptr;
    default:
        return nullptr;
    }
}

inline std::string Value(ValueKind kind, DWORD value) {
    char text[32];
    if (const char* name = Named(kind, value))
        return name;
    if (kind == ValueKind::HEX) {
        std::snprintf(text, sizeof text, "0x%08X", value);
    } else if (kind == ValueKind::FLOAT) {
        float number;
        std::memcpy(&number, &value, sizeof number);
        std::snprintf(text, sizeof text, "%g", static_cast<double>(number));
    } else {
        std::snprintf(text, sizeof text, "%u", value);
    }
    return text;
}

template <size_t N> const StateName* Find(const StateName (&table)[N], DWORD state) {
    for (const StateName& entry : table) {
        if (entry.state == state)
            return &entry;
    }
    return nullptr;
}

} // namespace statetokens

// "ALPHATESTENABLE=TRUE" for SetRenderState(D3DRS_ALPHATESTENABLE, TRUE).
inline std::string RenderStateToken(DWORD state, DWORD value) {
    using namespace statetokens;
    if (const StateName* entry = Find(RENDER_STATES, state))
        return std::string(entry->name) + "=" + Value(entry->kind, value);
    return "RS " + std::to_string(state) + "=" + std::to_string(value);
}

// "TSS0 ADDRESSV=MIRROR" for SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR).
inline std::string StageStateToken(DWORD stage, DWORD type, DWORD value) {
    using namespace statetokens;
    const std::string prefix = "TSS" + std::to_string(stage) + " ";
    if (const StateName* entry = Find(STAGE_STATES, type))
        return prefix + entry->name + "=" + Value(entry->kind, value);
    return prefix + std::to_string(type) + "=" + std::to_string(value);
}

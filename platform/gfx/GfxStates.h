#pragma once
// Render-state numbers and values in the Direct3D 6 numbering that the game uses, as our own
// constants. The OpenGL back end interprets them; game code passes them through unchanged.
#include <cstdint>

namespace plat::rs {

constexpr uint32_t kTextureAddress = 3;      // 1 wrap, 2 mirror, 3 clamp (both directions)
constexpr uint32_t kTexturePerspective = 4;  // 0 = affine texturing
constexpr uint32_t kZEnable = 7;
constexpr uint32_t kFillMode = 8;            // accepted, solid only
constexpr uint32_t kShadeMode = 9;           // accepted, Gouraud only
constexpr uint32_t kZWriteEnable = 14;
constexpr uint32_t kAlphaTestEnable = 15;
constexpr uint32_t kTextureMag = 17;         // filter values below
constexpr uint32_t kTextureMin = 18;
constexpr uint32_t kSrcBlend = 19;           // blend values below
constexpr uint32_t kDestBlend = 20;
constexpr uint32_t kTextureMapBlend = 21;    // 1 decal, 2 modulate, 4 modulate alpha, 7 copy, 8 add
constexpr uint32_t kCullMode = 22;           // 1 none, 2 clockwise, 3 counter-clockwise
constexpr uint32_t kZFunc = 23;              // compare values below
constexpr uint32_t kAlphaRef = 24;
constexpr uint32_t kAlphaFunc = 25;
constexpr uint32_t kDitherEnable = 26;       // accepted, ignored
constexpr uint32_t kAlphaBlendEnable = 27;
constexpr uint32_t kFogEnable = 28;
constexpr uint32_t kSpecularEnable = 29;     // accepted, ignored (specular colour bytes are 0)
constexpr uint32_t kFogColor = 34;           // ARGB
constexpr uint32_t kFogTableMode = 35;       // 0 none (vertex fog), 1 exp, 2 exp2, 3 linear
constexpr uint32_t kFogTableStart = 36;      // f32 bits, distance from the eye (1 / rhw)
constexpr uint32_t kFogTableEnd = 37;
constexpr uint32_t kFogTableDensity = 38;    // f32 bits
constexpr uint32_t kColorKeyEnable = 41;
constexpr uint32_t kAddressU = 44;
constexpr uint32_t kAddressV = 45;
constexpr uint32_t kFlushBatch = 50;         // draws what is batched now

// Compare functions (z and alpha).
constexpr uint32_t kCmpNever = 1, kCmpLess = 2, kCmpEqual = 3, kCmpLessEqual = 4, kCmpGreater = 5,
                   kCmpNotEqual = 6, kCmpGreaterEqual = 7, kCmpAlways = 8;
// Blend factors.
constexpr uint32_t kBlendZero = 1, kBlendOne = 2, kBlendSrcColor = 3, kBlendInvSrcColor = 4,
                   kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6, kBlendDestAlpha = 7,
                   kBlendInvDestAlpha = 8, kBlendDestColor = 9, kBlendInvDestColor = 10,
                   kBlendSrcAlphaSat = 11;
// Cull modes.
constexpr uint32_t kCullNone = 1, kCullCW = 2, kCullCCW = 3;
// Texture filters.
constexpr uint32_t kFilterNearest = 1, kFilterLinear = 2, kFilterMipNearest = 3, kFilterMipLinear = 4,
                   kFilterLinearMipNearest = 5, kFilterLinearMipLinear = 6;
// Address modes.
constexpr uint32_t kAddressWrap = 1, kAddressMirror = 2, kAddressClamp = 3;
// Texture blend modes.
constexpr uint32_t kTBlendDecal = 1, kTBlendModulate = 2, kTBlendDecalAlpha = 3,
                   kTBlendModulateAlpha = 4, kTBlendCopy = 7, kTBlendAdd = 8;
// Fog table modes.
constexpr uint32_t kFogNone = 0, kFogExp = 1, kFogExp2 = 2, kFogLinear = 3;

// Primitive types.
constexpr uint32_t kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6;

}  // namespace plat::rs

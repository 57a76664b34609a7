#pragma once
// GLSL sources of the device's two programs: the transformed-vertex program that emulates the
// Direct3D 6 texture blend, colour key, alpha test and fog, and the plain program for 2D blits.

namespace plat::gfxshaders {

inline constexpr const char* kSceneVertex = R"(#version 330 core
layout(location = 0) in vec4 aPos;       // sx, sy, sz, rhw
layout(location = 1) in vec4 aDiffuse;   // from ARGB bytes
layout(location = 2) in vec4 aSpecular;  // alpha = vertex fog factor
layout(location = 3) in vec2 aUV;
uniform vec2 uTarget;                    // render width, height
out vec4 vDiffuse;
out float vFog;
out vec2 vUV;
noperspective out vec2 vUVAffine;
out float vEyeW;
void main() {
    // Rebuild clip coordinates from the screen position so that GL interpolates with perspective
    // and clips as the original device did. Pixel centres sit at integer screen coordinates, and a
    // centre on a left or top edge belongs to the triangle: shifting by a little less than half a
    // pixel puts such centres just inside and centres on right or bottom edges just outside,
    // whatever GL's own rule for exact hits.
    // The screen position is the clip position divided by w = 1 / rhw, so multiplying back gives
    // the clip position itself, also for a vertex behind the eye (rhw below 0): GL then clips such
    // triangles at the near plane instead of drawing them folded over the screen. rhw 0 carries no
    // depth (flat screen-space drawing) and stays at w = 1; the device never passes on a vertex
    // whose numbers are not finite.
    const float kCentre = 0.5 - 1.0 / 64.0;
    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;
    vec2 ndc = vec2((aPos.x + kCentre) / uTarget.x * 2.0 - 1.0, 1.0 - (aPos.y + kCentre) / uTarget.y * 2.0);
    gl_Position = vec4(ndc * w, (aPos.z * 2.0 - 1.0) * w, w);
    vDiffuse = aDiffuse;
    vFog = aSpecular.a;
    vUV = aUV;
    vUVAffine = aUV;
    vEyeW = w;
}
)";

inline constexpr const char* kSceneFragment = R"(#version 330 core
in vec4 vDiffuse;
in float vFog;
in vec2 vUV;
noperspective in vec2 vUVAffine;
in float vEyeW;
uniform sampler2D uTex;
uniform int uHasTex;
uniform sampler2D uStage[7];  // texture stages 1 to 7
uniform int uStageOn[7];
uniform int uTexAlpha;      // the texture carries alpha
uniform int uTBlend;        // texture blend mode
uniform int uPerspective;
uniform int uColourKey;     // keying on and the texture has a key
uniform vec3 uKey;
uniform int uAlphaTest;
uniform int uAlphaFunc;
uniform float uAlphaRef;    // 0..255
uniform int uFogMode;       // 0 off, 1 vertex, 2 linear table, 3 exp, 4 exp2
uniform float uFogStart;
uniform float uFogEnd;
uniform float uFogDensity;
uniform vec3 uFogColour;
out vec4 oColour;

bool Compare(int f, float a, float b) {
    if (f == 1) return false;
    if (f == 2) return a < b;
    if (f == 3) return a == b;
    if (f == 4) return a <= b;
    if (f == 5) return a > b;
    if (f == 6) return a != b;
    if (f == 7) return a >= b;
    return true;
}

// A further texture stage: its texel times the colour so far.
vec4 Modulate(vec4 c, sampler2D stage, int on, vec2 uv) {
    return on != 0 ? vec4(texture(stage, uv).rgb * c.rgb, c.a) : c;
}

void main() {
    vec4 c = vDiffuse;
    if (uHasTex != 0) {
        vec4 t = texture(uTex, uPerspective != 0 ? vUV : vUVAffine);
        if (uColourKey != 0 && all(lessThan(abs(t.rgb - uKey), vec3(0.5 / 255.0)))) discard;
        if (uTexAlpha == 0) t.a = 1.0;
        if (uTBlend == 2) {            // modulate: alpha from the texture when it has alpha
            c = vec4(t.rgb * c.rgb, uTexAlpha != 0 ? t.a : c.a);
        } else if (uTBlend == 4) {     // modulate alpha
            c = t * c;
        } else if (uTBlend == 1 || uTBlend == 7) {  // decal, copy
            c = t;
        } else if (uTBlend == 3) {     // decal alpha
            c = vec4(mix(c.rgb, t.rgb, t.a), c.a);
        } else if (uTBlend == 8) {     // add
            c = vec4(min(t.rgb + c.rgb, vec3(1.0)), c.a);
        } else {
            c = vec4(t.rgb * c.rgb, uTexAlpha != 0 ? t.a : c.a);
        }
    }
    vec2 uv = uPerspective != 0 ? vUV : vUVAffine;
    c = Modulate(c, uStage[0], uStageOn[0], uv);
    c = Modulate(c, uStage[1], uStageOn[1], uv);
    c = Modulate(c, uStage[2], uStageOn[2], uv);
    c = Modulate(c, uStage[3], uStageOn[3], uv);
    c = Modulate(c, uStage[4], uStageOn[4], uv);
    c = Modulate(c, uStage[5], uStageOn[5], uv);
    c = Modulate(c, uStage[6], uStageOn[6], uv);
    if (uAlphaTest != 0) {
        float a = floor(c.a * 255.0 + 0.5);
        if (!Compare(uAlphaFunc, a, uAlphaRef)) discard;
    }
    if (uFogMode != 0) {
        float f = 1.0;
        if (uFogMode == 1) {
            f = vFog;
        } else if (uFogMode == 2) {
            float range = uFogEnd - uFogStart;
            f = range != 0.0 ? (uFogEnd - vEyeW) / range : (vEyeW < uFogEnd ? 1.0 : 0.0);
        } else if (uFogMode == 3) {
            f = exp(-uFogDensity * vEyeW);
        } else {
            float d = uFogDensity * vEyeW;
            f = exp(-d * d);
        }
        f = clamp(f, 0.0, 1.0);
        c.rgb = mix(uFogColour, c.rgb, f);
    }
    oColour = c;
}
)";

inline constexpr const char* kBlitVertex = R"(#version 330 core
layout(location = 0) in vec2 aPos;   // normalised device coordinates
layout(location = 1) in vec2 aUV;
out vec2 vUV;
void main() {
    gl_Position = vec4(aPos, 0.0, 1.0);
    vUV = aUV;
}
)";

inline constexpr const char* kBlitFragment = R"(#version 330 core
in vec2 vUV;
uniform sampler2D uTex;
out vec4 oColour;
void main() {
    oColour = texture(uTex, vUV);
}
)";

}  // namespace plat::gfxshaders

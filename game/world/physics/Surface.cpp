#include "game/world/physics/Surface.h"

#include "platform/sys/Fpu.h"

namespace kes {

namespace {

// 256 bump heights in 0..0.981 with a mean of 0.1975: mostly small ripples with a few sharp stones,
// so a fast bike over rough ground shakes without being thrown. The values after the eighth were
// drawn once from a skewed distribution and are fixed here so that every run sees the same ground.
const float kBumpTable[256] = {
    0.000f, 0.003f, 0.176f, 0.000f, 0.005f, 0.017f, 0.004f, 0.942f,
    0.004f, 0.134f, 0.406f, 0.229f, 0.002f, 0.282f, 0.514f, 0.001f,
    0.635f, 0.282f, 0.053f, 0.051f, 0.170f, 0.214f, 0.010f, 0.042f,
    0.223f, 0.013f, 0.423f, 0.000f, 0.013f, 0.006f, 0.017f, 0.057f,
    0.000f, 0.014f, 0.202f, 0.000f, 0.000f, 0.528f, 0.197f, 0.000f,
    0.031f, 0.884f, 0.001f, 0.248f, 0.003f, 0.184f, 0.062f, 0.580f,
    0.055f, 0.040f, 0.240f, 0.390f, 0.027f, 0.629f, 0.000f, 0.004f,
    0.000f, 0.105f, 0.333f, 0.571f, 0.122f, 0.004f, 0.111f, 0.004f,
    0.000f, 0.445f, 0.000f, 0.000f, 0.000f, 0.001f, 0.451f, 0.294f,
    0.000f, 0.008f, 0.537f, 0.005f, 0.352f, 0.098f, 0.055f, 0.226f,
    0.007f, 0.426f, 0.561f, 0.049f, 0.122f, 0.045f, 0.682f, 0.043f,
    0.001f, 0.005f, 0.000f, 0.002f, 0.538f, 0.519f, 0.370f, 0.007f,
    0.042f, 0.670f, 0.013f, 0.000f, 0.598f, 0.209f, 0.000f, 0.902f,
    0.018f, 0.000f, 0.184f, 0.042f, 0.427f, 0.445f, 0.605f, 0.143f,
    0.085f, 0.038f, 0.067f, 0.002f, 0.006f, 0.034f, 0.566f, 0.012f,
    0.017f, 0.010f, 0.021f, 0.274f, 0.109f, 0.000f, 0.001f, 0.029f,
    0.869f, 0.000f, 0.000f, 0.684f, 0.122f, 0.158f, 0.812f, 0.020f,
    0.000f, 0.065f, 0.606f, 0.028f, 0.002f, 0.000f, 0.835f, 0.001f,
    0.553f, 0.191f, 0.306f, 0.355f, 0.027f, 0.001f, 0.000f, 0.193f,
    0.060f, 0.026f, 0.353f, 0.000f, 0.981f, 0.028f, 0.858f, 0.621f,
    0.000f, 0.128f, 0.804f, 0.019f, 0.000f, 0.080f, 0.004f, 0.739f,
    0.000f, 0.331f, 0.144f, 0.007f, 0.231f, 0.037f, 0.000f, 0.063f,
    0.012f, 0.169f, 0.035f, 0.861f, 0.497f, 0.017f, 0.484f, 0.396f,
    0.487f, 0.880f, 0.001f, 0.844f, 0.032f, 0.003f, 0.305f, 0.136f,
    0.039f, 0.050f, 0.000f, 0.003f, 0.000f, 0.001f, 0.375f, 0.009f,
    0.000f, 0.213f, 0.065f, 0.007f, 0.833f, 0.792f, 0.505f, 0.000f,
    0.015f, 0.008f, 0.970f, 0.166f, 0.025f, 0.614f, 0.151f, 0.126f,
    0.000f, 0.012f, 0.000f, 0.000f, 0.623f, 0.075f, 0.000f, 0.599f,
    0.004f, 0.076f, 0.000f, 0.013f, 0.063f, 0.131f, 0.171f, 0.105f,
    0.446f, 0.590f, 0.610f, 0.160f, 0.140f, 0.003f, 0.643f, 0.003f,
    0.327f, 0.014f, 0.167f, 0.137f, 0.241f, 0.953f, 0.000f, 0.039f,
    0.008f, 0.040f, 0.177f, 0.001f, 0.065f, 0.029f, 0.328f, 0.187f,
};

}  // namespace

void GetSurfaceProperties(uint32_t code, SurfaceProperties* out) {
    float roll = 0.001f, side = 0.1f, roughness = 0.0f, sink = 0.0f;
    switch (code) {
        case 0: roll = 0.001f; side = 0.1f; roughness = 0.3f; sink = 0.3f; break;
        case 1:
        case 2: roll = 0.001f; side = 0.1f; roughness = 1.0f; sink = 0.5f; break;
        case 16: roll = 0.001f; side = 0.05f; roughness = 0.0f; sink = 0.3f; break;
        case 17: roll = 0.003f; side = 0.3f; roughness = 0.1f; sink = 1.0f; break;
        case 32: roll = 0.001f; side = 0.02f; roughness = 0.0f; sink = 0.3f; break;
        case 33: roll = 0.003f; side = 0.3f; roughness = 0.1f; sink = 1.0f; break;
        case 48: roll = 0.0003f; side = 0.003f; roughness = 0.15f; sink = 0.1f; break;
        case 49: roll = 0.0001f; side = 0.002f; roughness = 0.0f; sink = 0.0f; break;
        case 64: roll = 0.001f; side = 0.03f; roughness = 0.0f; sink = 0.3f; break;
        case 65: roll = 0.003f; side = 0.3f; roughness = 0.1f; sink = 1.3f; break;
        case 80: roll = 0.001f; side = 0.08f; roughness = 0.15f; sink = 0.2f; break;
        case 81: roll = 0.003f; side = 0.2f; roughness = 0.3f; sink = 1.0f; break;
        case 112: roll = 0.001f; side = 0.03f; roughness = 0.2f; sink = 0.2f; break;
        default: break;  // the fallback row
    }
    out->code = code;
    out->rollDrag = roll;
    out->sideDrag = side;
    out->grip = 0.7f;
    out->roughness = roughness;
    out->sink = sink;
}

float GroundBump(float x, float y, float amplitude) {
    const int index = plat::FloatToInt(x + y) & 255;
    return kBumpTable[index] * amplitude;
}

const float* GroundBumpTable() { return kBumpTable; }

}  // namespace kes

#pragma once
// Force feedback on a joystick that has it: one effect pushing the stick in a direction with a
// magnitude (0..10000), and timed shakes that jolt it in random directions. Without such a device
// every operation succeeds and does nothing.
#include <cstdint>
#include <memory>

namespace kes {

// Where the effect goes: SDL's haptic device in the game, a recorder in tests.
class ForceDevice {
public:
    virtual ~ForceDevice() = default;
    // Replaces the running effect with a new one (ramp or constant) and starts it.
    virtual void StartEffect(bool ramp, int32_t dirX, int32_t dirY, int32_t magnitude) = 0;
    // Changes the running effect's direction and magnitude (0..10000).
    virtual void UpdateEffect(int32_t dirX, int32_t dirY, int32_t magnitude) = 0;
    virtual void SetGain(float gain) = 0;  // 0..10000
};

// The first haptic joystick through SDL, or null when there is none.
std::unique_ptr<ForceDevice> OpenHapticDevice();

class ForceFeedback {
public:
    ForceFeedback();
    ~ForceFeedback();
    ForceFeedback(const ForceFeedback&) = delete;
    ForceFeedback& operator=(const ForceFeedback&) = delete;

    // Looks for a force-feedback joystick (a test may hand one in instead).
    void Init(void* instance, void* window, std::unique_ptr<ForceDevice> device = nullptr);
    void Release();
    void SetGain(float g);
    // (-1, -1) asks for a random angle and the shake strength.
    void SetEffect(double angle, double magnitude);
    void SetForce(double x, double y);
    void StartShake(int32_t lengthMs, float strength);
    void Update(int32_t stepMs);

    uint32_t found = 0;
    float gain = 10000.0f;
    int32_t shakeRemaining = 0;
    int32_t nextJolt = 0;
    int32_t shakeLength = 0;
    float shakeStrength = 0.0f;
    double lastForceX = 0.0, lastForceY = 0.0;
    float shakeX = 0.0f, shakeY = 0.0f;
    float joltDivisor = 8.0f;

private:
    std::unique_ptr<ForceDevice> device_;
};

}  // namespace kes

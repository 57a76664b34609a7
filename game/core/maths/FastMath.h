#pragma once
// Table-driven sine, cosine and square root. Physics and rendering both depend on the quantisation
// (4096 angle steps per turn, 13 mantissa bits of square root), so these are the only versions the
// game uses. InitTrigTables must run once before any of them (the main window does it at start-up).
#include <cstdint>

namespace kes {

constexpr int kSineTableSize = 5120;       // one turn of 4096 steps plus a quarter turn for cosine
constexpr int kSineStepsPerTurn = 4096;
constexpr int kCosineTableOffset = 1024;   // a quarter turn
constexpr int kSqrtTableSize = 16384;      // 8192 entries for [2, 4), then 8192 for [1, 2)
constexpr float kAngleToSineIndex = 651.8986f;  // 4096 / (2 pi)

// Fills the square-root table and the sine table.
void InitTrigTables();

// Sine and cosine of an angle in radians, read from the table. The angle is turned into a table
// step with the current rounding mode: toward zero inside a frame, to nearest outside.
float FastSin(float angle);
float FastCos(float angle);

// Square root of x >= 0 from the exponent and a table of mantissas.
float FastSqrt(float x);

double FloatAbs(double value);

// The table step an angle falls on (0 .. 4095), as FastSin and FastCos use it.
int SineTableIndex(float angle);

// Read-only views of the tables, for code that wants the raw entries.
const float* SineTable();
const uint32_t* SqrtMantissaTable();

}  // namespace kes

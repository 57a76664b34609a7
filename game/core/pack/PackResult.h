#pragma once
// Result codes of the game's file class and its compressed container.
#include <cstdint>

namespace kes {

using Result = int32_t;

constexpr Result kOk = 0;
constexpr Result kPackAlreadyOpen = static_cast<Result>(0x8123F700);
constexpr Result kPackNotOpen = static_cast<Result>(0x8123F6FF);
constexpr Result kPackOpenFailed = static_cast<Result>(0x8123F6FE);
constexpr Result kPackReadFailed = static_cast<Result>(0x8123F6FD);  // short read or damaged block
constexpr Result kPackWriteFailed = static_cast<Result>(0x8123F6FC);
constexpr Result kPackBadSeek = static_cast<Result>(0x8123F6FB);     // bad seek or offset table

}  // namespace kes

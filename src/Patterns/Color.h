#pragma once
#include <cstdint>

namespace mv {

// Packed colour 0x00BBGGRR, red in the low byte.
using Color = uint32_t;

constexpr Color MakeRGB(int r, int g, int b) {
    return (static_cast<uint32_t>(r) & 0xFF) | ((static_cast<uint32_t>(g) & 0xFF) << 8) |
           ((static_cast<uint32_t>(b) & 0xFF) << 16);
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;

}  // namespace mv

#pragma once

#include <cstdint>

namespace sim {

constexpr std::uint32_t kRawLevelMax = 0xFFFFFF;

// The 24-bit word in which the processor reports a sound level. The
// microphone path scales so that the tool's reading v = raw * 5/4 / 2^19 is
// 0.75 at 88 dB SPL and changes by 20 dB per decade; the word saturates at
// 0 and at all 24 bits set.
std::uint32_t rawLevelFromDb(double db);

}  // namespace sim

#pragma once
#include <cstdint>

namespace kelvatrix {

// Milliseconds since an arbitrary fixed start, wrapping at 2^32 like the system tick
// counter. Differences are taken as signed 32-bit numbers, so a wrap does no harm.
std::uint32_t TickCount();

// Microseconds since the same start, for waits that must not overshoot by a millisecond
// step: a wait of "more than 5 ms" on a 1 ms counter lasts up to 6 ms.
std::int64_t PreciseTicks();

inline std::int32_t TicksBetween(std::uint32_t start, std::uint32_t now) {
  return static_cast<std::int32_t>(now - start);
}

}  // namespace kelvatrix

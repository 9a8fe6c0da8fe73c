#pragma once
// Meter runs for tests that drive the simulated meter through the window.

#include <algorithm>
#include <cstdint>

#include "protocol/meter_run.h"

namespace kelvatrix::test {

// 5000 V throughout; the resistance climbs 10 M ohm a reading (10, 20, 30 ...), and every
// fifth reading is over-range.
inline MeterRun RisingMeterRun(int readings, int latencyMs = 0) {
  MeterRun run;
  run.latencyMs = latencyMs;
  for (int i = 0; i < readings; ++i) {
    const int mantissa = std::min(1023, 10 * (i + 1));
    const int word = mantissa | (i % 5 == 4 ? 0x1000 : 0);
    run.readings.push_back({static_cast<std::uint8_t>(i == 0 ? 0x81 : 0x01), 0xF4,
                            static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)});
  }
  return run;
}

}  // namespace kelvatrix::test

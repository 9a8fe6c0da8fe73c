#pragma once
// A test run for the simulated meter: the readings it hands out and how it misbehaves.
//
// Run file: one reading a line as four hexadecimal bytes ("81 F4 41 2C"), "#" starts a
// comment, a line "FF" ends the run early (later readings are never sent), and directive
// lines set latency and faults:
//
//   @latency MS          every reply comes MS milliseconds after its command
//   @handshake XX        answer the handshake with byte XX instead of EF
//   @silent-after N      stop answering after the N-th fetch
//   @drop N              no reply to the N-th fetch only
//   @garble N            random bytes in the reply to the N-th fetch
//   @report-bytes N      every input report carries N data bytes (0 to 255)
//   @unplug-after N      leave the bus right after answering the N-th fetch (once)
//   @replug-after MS     with @unplug-after: come back MS milliseconds later
//   @hotplug-every N     another HID device comes onto the bus, or leaves it, right
//                        after every N-th fetch is answered (a busy USB bus)
//
// Anything else is an error naming its line.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvatrix {

struct MeterRun {
  std::vector<std::array<std::uint8_t, 4>> readings;
  int latencyMs = 0;
  std::uint8_t handshakeReply = 0xEF;
  std::optional<int> silentAfter;
  std::set<int> drop;
  std::set<int> garble;
  int reportBytes = 64;
  std::optional<int> unplugAfter;
  std::optional<int> replugAfterMs;
  std::optional<int> hotplugEvery;
};

struct MeterRunResult {
  std::optional<MeterRun> run;
  std::string error;  // "line 7: ..." when the text is not a run
};

MeterRunResult ParseMeterRun(const std::string& text);
MeterRunResult LoadMeterRun(const std::string& path);

// The run of a start without a file: a 10-minute 5 kV insulation test, one reading a
// second; the voltage ramps up in the first seconds and the resistance climbs as the
// insulation polarises, from M ohm into G ohm.
MeterRun BuiltInMeterRun();

}  // namespace kelvatrix

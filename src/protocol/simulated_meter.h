#pragma once
// The meter's behaviour, apart from any transport: output reports (commands) in, input
// reports out. It answers the handshake 0xB5 with 0xEF and each fetch 0xC4 with the next
// two readings of its run, the end marker 0xFF in a position past the run's end, and
// misbehaves as the run's directives say. A handshake starts the run over.
//
// Reports use the transport's framing: report ID 0 first, then the data bytes.

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "protocol/meter_run.h"

namespace kelvatrix {

class SimulatedMeter {
 public:
  static constexpr std::uint16_t kOutputReportLength = 65;

  explicit SimulatedMeter(MeterRun run);

  struct Answer {
    std::optional<std::vector<std::uint8_t>> report;  // nothing: the meter stays silent
    bool leaveBus = false;                             // leave the bus after this answer
    bool neighbourChange = false;                      // another device comes or goes after it
  };
  Answer Respond(const std::vector<std::uint8_t>& outputReport);

  const MeterRun& Run() const { return run_; }
  // The input report length, ID byte included.
  std::uint16_t InputReportLength() const { return static_cast<std::uint16_t>(run_.reportBytes + 1); }
  int Fetches() const { return fetches_; }

 private:
  std::vector<std::uint8_t> Report(const std::vector<std::uint8_t>& data) const;

  MeterRun run_;
  std::size_t next_ = 0;
  int fetches_ = 0;
  bool left_ = false;     // it has left the bus once (see @unplug-after)
  bool leaving_ = false;  // on its way off: until the next handshake it answers nothing
  std::mt19937 random_{20261210};
};

}  // namespace kelvatrix

#include "protocol/simulated_meter.h"

#include <algorithm>

#include "protocol/reading.h"

namespace kelvatrix {

SimulatedMeter::SimulatedMeter(MeterRun run) : run_(std::move(run)) {}

std::vector<std::uint8_t> SimulatedMeter::Report(const std::vector<std::uint8_t>& data) const {
  std::vector<std::uint8_t> report(1 + static_cast<std::size_t>(run_.reportBytes), 0);
  std::copy_n(data.begin(), std::min(data.size(), report.size() - 1), report.begin() + 1);
  return report;
}

SimulatedMeter::Answer SimulatedMeter::Respond(const std::vector<std::uint8_t>& outputReport) {
  if (outputReport.size() < 2) return {};
  switch (outputReport[1]) {
    case 0xB5:
      next_ = 0;
      fetches_ = 0;
      leaving_ = false;
      return {Report({run_.handshakeReply}), false};
    case 0xC4: {
      const int fetch = ++fetches_;
      // The meter leaves once in its life: plugged in again, it downloads in full.
      const bool leave = run_.unplugAfter && !left_ && fetch == *run_.unplugAfter;
      if (leave) left_ = true;
      // A meter on its way off the bus answers nothing more.
      if (run_.unplugAfter && leaving_) return {};
      if (leave) leaving_ = true;
      if (run_.silentAfter && fetch > *run_.silentAfter) return {std::nullopt, leave};
      if (run_.drop.count(fetch)) return {std::nullopt, leave};
      std::vector<std::uint8_t> data;
      for (int position = 0; position < 2; ++position) {
        if (next_ < run_.readings.size()) {
          const auto& reading = run_.readings[next_++];
          data.insert(data.end(), reading.begin(), reading.end());
        } else {
          data.insert(data.end(), {kEndMarker, 0, 0, 0});
        }
      }
      if (run_.garble.count(fetch)) {
        for (auto& byte : data) byte = static_cast<std::uint8_t>(random_());
      }
      const bool neighbour = run_.hotplugEvery && fetch % *run_.hotplugEvery == 0;
      return {Report(data), leave, neighbour};
    }
    default:
      return {};
  }
}

}  // namespace kelvatrix

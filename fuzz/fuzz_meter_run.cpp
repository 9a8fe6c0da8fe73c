// A run file for the simulated meter: read or refused naming its line; what is read is
// within the limits the simulated meter relies on.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "protocol/meter_run.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kelvatrix::MeterRunResult result = kelvatrix::ParseMeterRun(text);
  if (!result.run) {
    FUZZ_REQUIRE(result.error.rfind("line ", 0) == 0 ||
                 result.error == "'@replug-after' needs '@unplug-after'");
    return 0;
  }
  const kelvatrix::MeterRun& run = *result.run;
  FUZZ_REQUIRE(run.reportBytes >= 0 && run.reportBytes <= 255);
  FUZZ_REQUIRE(run.latencyMs >= 0);
  FUZZ_REQUIRE(!run.silentAfter || *run.silentAfter >= 0);
  FUZZ_REQUIRE(!run.hotplugEvery || *run.hotplugEvery > 0);
  FUZZ_REQUIRE(run.readings.size() <= text.size());
  return 0;
}

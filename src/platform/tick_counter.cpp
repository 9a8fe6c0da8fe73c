#include "platform/tick_counter.h"

#include <chrono>

namespace kelvatrix {

std::uint32_t TickCount() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(ms);
}

std::int64_t PreciseTicks() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace kelvatrix

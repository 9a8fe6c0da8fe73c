#pragma once
// The simulated meter plugged into the virtual HID bus as vendor 0x1234, product 0x5678.
// Replies come after the run's latency, from a timer thread of its own; unplugging and
// coming back are done on the bus, so the program sees them as a real meter's.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "protocol/simulated_meter.h"

namespace kelvatrix {

class VirtualMeter {
 public:
  // Plugs the meter in.
  VirtualMeter(VirtualHidBus& bus, MeterRun run);
  // Stops its timer and takes it off the bus.
  ~VirtualMeter();
  VirtualMeter(const VirtualMeter&) = delete;
  VirtualMeter& operator=(const VirtualMeter&) = delete;

  std::uint32_t DevInst() const;
  int Fetches() const;

 private:
  class Model;
  struct Timed {
    std::chrono::steady_clock::time_point due;
    std::function<void()> action;
  };

  void Plug();
  // Plugs the neighbouring device in, or pulls it out when it is in.
  void ToggleNeighbour();
  void Later(int ms, std::function<void()> action);
  void TimerLoop();

  VirtualHidBus& bus_;
  std::shared_ptr<Model> model_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Timed> timed_;
  bool stopping_ = false;
  std::uint32_t devInst_ = 0;
  std::uint32_t neighbour_ = 0;  // the other device on the bus, when it is plugged in
  std::thread timer_;
};

}  // namespace kelvatrix

#include "protocol/virtual_meter.h"

#include <algorithm>

namespace kelvatrix {
namespace {
constexpr int kLeaveDelayMs = 20;
}

// The bus's view of the meter: every output report goes to the meter's behaviour, and its
// answer goes back through the bus, now or after the latency.
class VirtualMeter::Model final : public VirtualDeviceModel {
 public:
  Model(VirtualMeter& owner, MeterRun run) : owner_(owner), meter_(std::move(run)) {}

  void OnOutputReport(const std::vector<std::uint8_t>& report, VirtualHidPort& port) override {
    SimulatedMeter::Answer answer;
    {
      std::lock_guard lock(mutex_);
      answer = meter_.Respond(report);
    }
    const std::uint32_t devInst = port.DevInst();
    VirtualHidBus& bus = owner_.bus_;
    const int latency = meter_.Run().latencyMs;
    const auto deliver = [&bus, devInst, answer, this] {
      if (answer.report) bus.SendInputReport(devInst, *answer.report);
      if (answer.neighbourChange) owner_.ToggleNeighbour();
      if (answer.leaveBus) {
        // Pulled out just after the answer went out, in time for the host to read it.
        owner_.Later(kLeaveDelayMs, [&bus, devInst, this] {
          bus.Unplug(devInst);
          if (const auto replug = meter_.Run().replugAfterMs) owner_.Later(*replug, [this] { owner_.Plug(); });
        });
      }
    };
    if (latency == 0) {
      deliver();
    } else {
      owner_.Later(latency, deliver);
    }
  }

  std::uint16_t InputReportLength() const { return meter_.InputReportLength(); }
  int Fetches() const {
    std::lock_guard lock(mutex_);
    return meter_.Fetches();
  }

 private:
  VirtualMeter& owner_;
  mutable std::mutex mutex_;
  SimulatedMeter meter_;
};

VirtualMeter::VirtualMeter(VirtualHidBus& bus, MeterRun run)
    : bus_(bus), model_(std::make_shared<Model>(*this, std::move(run))) {
  timer_ = std::thread([this] { TimerLoop(); });
  Plug();
}

VirtualMeter::~VirtualMeter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  timer_.join();
  bus_.Unplug(DevInst());
  if (neighbour_) bus_.Unplug(neighbour_);
}

void VirtualMeter::ToggleNeighbour() {
  std::uint32_t gone = 0;
  {
    std::lock_guard lock(mutex_);
    std::swap(gone, neighbour_);
  }
  if (gone) {
    bus_.Unplug(gone);
    return;
  }
  VirtualDeviceConfig keyboard;
  keyboard.vendorId = 0x046D;
  keyboard.productId = 0xC31C;
  keyboard.description = "Simulated keyboard";
  keyboard.caps.InputReportByteLength = 9;
  keyboard.caps.OutputReportByteLength = 2;
  const std::uint32_t plugged = bus_.Plug(keyboard);
  std::lock_guard lock(mutex_);
  neighbour_ = plugged;
}

void VirtualMeter::Plug() {
  VirtualDeviceConfig config;
  config.vendorId = 0x1234;
  config.productId = 0x5678;
  config.version = 0x0106;
  config.description = "Simulated insulation-resistance meter";
  config.caps.InputReportByteLength = model_->InputReportLength();
  config.caps.OutputReportByteLength = SimulatedMeter::kOutputReportLength;
  config.model = model_;
  const std::uint32_t devInst = bus_.Plug(config);
  std::lock_guard lock(mutex_);
  devInst_ = devInst;
}

std::uint32_t VirtualMeter::DevInst() const {
  std::lock_guard lock(mutex_);
  return devInst_;
}

int VirtualMeter::Fetches() const { return model_->Fetches(); }

void VirtualMeter::Later(int ms, std::function<void()> action) {
  {
    std::lock_guard lock(mutex_);
    timed_.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), std::move(action)});
  }
  changed_.notify_all();
}

void VirtualMeter::TimerLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (timed_.empty()) {
      changed_.wait(lock);
      continue;
    }
    const auto next = std::min_element(timed_.begin(), timed_.end(),
                                       [](const Timed& a, const Timed& b) { return a.due < b.due; });
    if (std::chrono::steady_clock::now() < next->due) {
      changed_.wait_until(lock, next->due);
      continue;
    }
    std::function<void()> action = std::move(next->action);
    timed_.erase(next);
    lock.unlock();
    action();  // bus calls take the bus's own lock: never under ours
    lock.lock();
  }
}

}  // namespace kelvatrix

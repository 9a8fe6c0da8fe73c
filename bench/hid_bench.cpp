// HID transport figures on the virtual bus:
//  - hand-off latency from an input report on the bus to OnData running on the
//    user-interface thread (median, 99th percentile), with the plain loop and with Qt's;
//  - CPU used by an idle claimed device whose reader waits for reports;
//  - time of one full DeviceChange scan with 20 devices plugged.
// Usage: hid_bench [REPORTS]   (default 5000; the idle and scan measurements scale with it)
#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid/hid_device_controller.h"
#include "platform/queue_message_loop.h"

namespace kelvatrix {
namespace {

using Clock = std::chrono::steady_clock;

VirtualDeviceConfig Device(std::uint16_t product) {
  VirtualDeviceConfig config;
  config.vendorId = 0x1234;
  config.productId = product;
  return config;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Records the delay between the time stamp a report carries and its delivery.
struct LatencyProbe {
  std::vector<double> microseconds;
  void OnData(HidDevice&, std::uint8_t, const std::uint8_t* data, std::uint16_t size) {
    if (size < sizeof(std::int64_t)) return;
    std::int64_t sent = 0;
    std::memcpy(&sent, data, sizeof sent);
    const auto now = Clock::now().time_since_epoch().count();
    microseconds.push_back(static_cast<double>(now - sent) / 1000.0);
  }
};

// A claimed meter on `bus` whose reader delivers to `probe`.
std::unique_ptr<HidDevice> ClaimWithReader(HidDeviceController& controller, MessageLoop& loop,
                                           LatencyProbe& probe) {
  while (controller.Devices().empty()) {
    loop.WaitForMessages(Clock::now() + std::chrono::milliseconds(10));
    loop.ProcessMessages();
  }
  std::unique_ptr<HidDevice> device;
  controller.ClaimByIndex(device, 0);
  device->SetOnData(HidDataEvent::Bind<&LatencyProbe::OnData>(&probe));
  return device;
}

// A sender thread standing in for the meter: one time-stamped report every `gap`.
void SendReports(VirtualHidBus& bus, std::uint32_t devInst, int count, std::chrono::microseconds gap) {
  std::vector<std::uint8_t> report(65, 0);
  for (int i = 0; i < count; ++i) {
    const std::int64_t now = Clock::now().time_since_epoch().count();
    std::memcpy(report.data() + 1, &now, sizeof now);
    bus.SendInputReport(devInst, report);
    std::this_thread::sleep_for(gap);
  }
}

std::size_t kReports = 5000;  // set from the command line

void Report(const char* what, std::vector<double> samples) {
  if (samples.empty()) {
    std::printf("%s: no report was delivered\n", what);
    return;
  }
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * (samples.size() - 1))]; };
  // A reader that falls behind loses the oldest reports, as a device's buffer does.
  std::printf("%s: %zu of %zu reports, median %.1f us, p99 %.1f us, max %.1f us\n", what, samples.size(), kReports,
              at(0.5), at(0.99), samples.back());
}

// Every report delivered, or the meter done and nothing more for two seconds (a loaded
// machine's reader may have lost some): the loop may stop.
struct Delivery {
  std::atomic<bool> meterDone{false};
  std::size_t seen = 0;
  Clock::time_point lastNew = Clock::now();
  bool Over(const LatencyProbe& probe) {
    if (probe.microseconds.size() >= kReports) return true;
    if (probe.microseconds.size() != seen) {
      seen = probe.microseconds.size();
      lastNew = Clock::now();
    }
    return meterDone && Clock::now() - lastNew > std::chrono::seconds(2);
  }
};

// A claimed meter with a reader on `loop`, fed by a sender thread; `runUntilDone` is the
// user-interface thread's loop, which returns once every report has been handled.
void MeasureLatency(MessageLoop& loop, const char* what,
                    const std::function<void(const LatencyProbe&, Delivery&)>& runUntilDone) {
  VirtualHidBus bus;
  const auto devInst = bus.Plug(Device(0x5678));
  HidDeviceController controller(loop, bus.Backend());
  LatencyProbe probe;
  auto device = ClaimWithReader(controller, loop, probe);
  while (bus.OpenHandles(devInst, true) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Delivery delivery;
  std::thread meter([&] {
    SendReports(bus, devInst, static_cast<int>(kReports), std::chrono::microseconds(500));
    delivery.meterDone = true;
  });
  runUntilDone(probe, delivery);
  meter.join();
  Report(what, probe.microseconds);
}

void PlainLoopLatency() {
  QueueMessageLoop loop;
  MeasureLatency(loop, "hand-off latency, plain loop", [&](const LatencyProbe& probe, Delivery& delivery) {
    // The user-interface thread blocks until something arrives, as the program's loop does.
    while (!delivery.Over(probe)) {
      loop.WaitForMessages(Clock::now() + std::chrono::milliseconds(50));
      loop.ProcessMessages();
    }
  });
}

void QtLoopLatency() {
  QtMessageLoop loop;
  MeasureLatency(loop, "hand-off latency, Qt event loop", [](const LatencyProbe& probe, Delivery& delivery) {
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
      if (delivery.Over(probe)) QCoreApplication::quit();
    });
    check.start(20);
    QCoreApplication::exec();  // the application's own event loop runs the hand-offs
  });
}

void IdleReaderCpu() {
  QueueMessageLoop loop;
  VirtualHidBus bus;
  bus.Plug(Device(0x5678));
  HidDeviceController controller(loop, bus.Backend());
  LatencyProbe probe;
  auto device = ClaimWithReader(controller, loop, probe);
  const double cpuBefore = CpuSeconds();
  const auto start = Clock::now();
  const auto end = start + std::chrono::milliseconds(static_cast<long>(kReports));  // 5 s by default
  while (Clock::now() < end) {
    loop.WaitForMessages(end);
    loop.ProcessMessages();
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("idle claimed device with reader (ThreadSleepTime %d ms): %.3f %% of one core over %.0f s\n",
              device->ThreadSleepTime(), 100.0 * (CpuSeconds() - cpuBefore) / wall, wall);
}

void ScanTime() {
  QueueMessageLoop loop;
  VirtualHidBus bus;
  for (int i = 0; i < 20; ++i) bus.Plug(Device(static_cast<std::uint16_t>(0x6000 + i)));
  HidDeviceController controller(loop, bus.Backend());
  loop.ProcessMessages();
  const int kScans = static_cast<int>(std::max<std::size_t>(1, kReports * 2 / 5));
  const auto start = Clock::now();
  for (int i = 0; i < kScans; ++i) controller.DeviceChange();
  const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kScans;
  std::printf("DeviceChange with %zu devices plugged: %.1f us per scan\n", controller.Devices().size(), us);
}

}  // namespace
}  // namespace kelvatrix

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1) kelvatrix::kReports = static_cast<std::size_t>(std::max(10, std::atoi(argv[1])));
  kelvatrix::PlainLoopLatency();
  kelvatrix::QtLoopLatency();
  kelvatrix::IdleReaderCpu();
  kelvatrix::ScanTime();
  return 0;
}

#pragma once
// A virtual bus, a plain message loop and a controller, with handlers that record what
// the controller and its devices report.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"
#include "platform/queue_message_loop.h"

namespace kelvatrix::test {

inline VirtualDeviceConfig Meter() {
  VirtualDeviceConfig config;
  config.vendorId = 0x1234;
  config.productId = 0x5678;
  config.description = "meter";
  return config;
}

inline VirtualDeviceConfig Keyboard() {
  VirtualDeviceConfig config;
  config.vendorId = 0x046D;
  config.productId = 0xC31C;
  config.description = "keyboard";
  config.caps.InputReportByteLength = 9;
  config.caps.OutputReportByteLength = 2;
  return config;
}

struct Report {
  std::uint8_t id = 0;
  std::vector<std::uint8_t> data;
};

class HidFixture : public ::testing::Test {
 public:
  // Runs what is posted to the user-interface thread until `done` or the time-out.
  template <typename Predicate>
  bool PumpUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const auto deadline = MessageLoop::Clock::now() + timeout;
    for (;;) {
      loop.ProcessMessages();
      if (done()) return true;
      if (MessageLoop::Clock::now() >= deadline) return false;
      loop.WaitForMessages(std::min(deadline, MessageLoop::Clock::now() + std::chrono::milliseconds(10)));
    }
  }
  void Pump() { loop.ProcessMessages(); }
  // Input reports reach only open read handles: wait for the device's reader to open one.
  bool ReaderOpen(std::uint32_t devInst) {
    return PumpUntil([&] { return bus.OpenHandles(devInst, true) > 0; });
  }

  std::unique_ptr<HidDeviceController> MakeController() {
    auto made = std::make_unique<HidDeviceController>(loop, bus.Backend());
    made->SetLoading(true);
    made->SetOnDeviceChange(HidNotifyEvent::Bind<&HidFixture::Changed>(this));
    made->SetOnArrival(HidPlugEvent::Bind<&HidFixture::Arrived>(this));
    made->SetOnRemoval(HidPlugEvent::Bind<&HidFixture::Removed>(this));
    made->SetLoading(false);
    return made;
  }

  // Handlers; each records one line in `events`.
  void Changed(HidDeviceController&) { events.push_back("change"); }
  void Arrived(HidDevice& device) {
    events.push_back("arrival " + std::to_string(device.Attributes().ProductID) +
                     (device.InHandler() ? " in-handler" : ""));
  }
  void Removed(HidDevice& device) {
    events.push_back(std::string("removal") + (device.PluggedIn() ? " plugged" : " unplugged"));
  }
  void Unplugged(HidDevice&) { ++unplugs; }
  void Data(HidDevice&, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
    reports.push_back({id, std::vector<std::uint8_t>(data, data + size)});
  }
  void DataError(HidDevice&, std::uint32_t code) { errors.push_back(code); }

  HidDataEvent OnData() { return HidDataEvent::Bind<&HidFixture::Data>(this); }

  QueueMessageLoop loop;
  VirtualHidBus bus;
  std::vector<std::string> events;
  std::vector<Report> reports;
  std::vector<std::uint32_t> errors;
  int unplugs = 0;
};

}  // namespace kelvatrix::test

// Watches the HID devices through the program's Linux backend and controller, as the
// program does, and says when the meter arrives and when it leaves. Used by the kernel
// HID stage to see hot-plug notices arrive with and without a udev daemon.
//
// Usage: hotplug_probe SECONDS READY_FILE   exit status 0 once the meter arrived and left
// READY_FILE is made once the start-up scan is done and changes are followed: a meter
// there before it is not a hot-plug, and does not count.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "hid/backends/linux/linux_hid_backend.h"
#include "hid/hid_device_controller.h"
#include "platform/queue_message_loop.h"

namespace {

struct Probe {
  void Arrival(kelvatrix::HidDevice& device) {
    if (watching && device.Attributes().VendorID == 0x1234 &&
        device.Attributes().ProductID == 0x5678) {
      arrived = true;
      std::printf("hotplug: meter arrived (%s)\n", device.PnPInfo().DevicePath.c_str());
      std::fflush(stdout);
    }
  }
  void Removal(kelvatrix::HidDevice& device) {
    if (device.Attributes().VendorID == 0x1234 && device.Attributes().ProductID == 0x5678) {
      left = true;
      std::printf("hotplug: meter left\n");
      std::fflush(stdout);
    }
  }
  bool watching = false;
  bool arrived = false;
  bool left = false;
};

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const char* ready = argc > 2 ? argv[2] : nullptr;
  kelvatrix::QueueMessageLoop loop;
  kelvatrix::LinuxHidBackend backend;
  Probe probe;
  kelvatrix::HidDeviceController controller(loop, backend);
  controller.SetOnArrival(kelvatrix::HidPlugEvent::Bind<&Probe::Arrival>(&probe));
  controller.SetOnRemoval(kelvatrix::HidPlugEvent::Bind<&Probe::Removal>(&probe));
  loop.ProcessMessages();  // the controller's start-up notice: the first scan
  probe.watching = true;
  if (ready) std::ofstream{ready} << "watching\n";
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!(probe.arrived && probe.left) && std::chrono::steady_clock::now() < end) {
    loop.WaitForMessages(
        std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(100)));
    loop.ProcessMessages();
  }
  if (!probe.arrived) std::printf("hotplug: the meter never arrived\n");
  if (probe.arrived && !probe.left) std::printf("hotplug: the meter never left\n");
  return probe.arrived && probe.left ? 0 : 1;
}

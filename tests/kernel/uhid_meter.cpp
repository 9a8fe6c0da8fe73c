// The simulated meter served to the kernel as a real HID device through /dev/uhid:
// vendor 0x1234, product 0x5678, a vendor-defined 64-byte input and 64-byte output report
// without report IDs, answering commands from a run file (the same run files and faults
// as --simulate). Used by the kernel HID stage, in a guest, so that the program's Linux
// backend meets a real hidraw node.
//
// Usage: uhid_meter --run RUNFILE [--other COUNTFILE] [--plug-after MS]
//                   [--unplug-after-ms MS] [--ready FILE]
//   --other          also plug another HID device and write into COUNTFILE how many
//                    output reports it received
//   --plug-after     plug the meter in only after MS milliseconds
//   --unplug-after-ms  pull the meter out MS milliseconds after plugging it in
//   --ready          create FILE once the devices are plugged in

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "protocol/meter_run.h"
#include "protocol/simulated_meter.h"

namespace {

using Clock = std::chrono::steady_clock;

// Vendor page, 64 bytes in, 64 bytes out, no report IDs.
const std::vector<std::uint8_t> kDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};

volatile std::sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

class UhidDevice {
 public:
  UhidDevice(std::uint32_t vendor, std::uint32_t product, const char* name)
      : vendor_(vendor), product_(product), name_(name) {}
  ~UhidDevice() { Destroy(); }

  bool Create() {
    if (fd_ < 0) fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
      std::perror("uhid_meter: /dev/uhid");
      return false;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name, "%s",
                  name_);
    event.u.create2.rd_size = static_cast<__u16>(kDescriptor.size());
    event.u.create2.bus = BUS_USB;
    event.u.create2.vendor = vendor_;
    event.u.create2.product = product_;
    event.u.create2.version = 0x0106;
    std::memcpy(event.u.create2.rd_data, kDescriptor.data(), kDescriptor.size());
    plugged_ = Send(event);
    return plugged_;
  }
  void Destroy() {
    if (plugged_) {
      uhid_event event{};
      event.type = UHID_DESTROY;
      Send(event);
      plugged_ = false;
    }
  }
  bool Send(const uhid_event& event) {
    return write(fd_, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
  }
  void Input(const std::vector<std::uint8_t>& data) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<__u16>(std::min<std::size_t>(data.size(), UHID_DATA_MAX));
    std::memcpy(event.u.input2.data, data.data(), event.u.input2.size);
    Send(event);
  }
  // The next event from the kernel; nothing when none is waiting.
  std::optional<uhid_event> Read() {
    uhid_event event{};
    if (read(fd_, &event, sizeof event) <= 0) return std::nullopt;
    if (event.type == UHID_GET_REPORT) {  // nothing is offered this way
      uhid_event reply{};
      reply.type = UHID_GET_REPORT_REPLY;
      reply.u.get_report_reply.id = event.u.get_report.id;
      reply.u.get_report_reply.err = EIO;
      Send(reply);
    }
    return event;
  }
  int Fd() const { return fd_; }
  bool Plugged() const { return plugged_; }

 private:
  std::uint32_t vendor_;
  std::uint32_t product_;
  const char* name_;
  int fd_ = -1;
  bool plugged_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  std::string runFile, otherFile, readyFile;
  int plugAfter = 0;
  int unplugAfter = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--run")
      runFile = argv[i + 1];
    else if (option == "--other")
      otherFile = argv[i + 1];
    else if (option == "--ready")
      readyFile = argv[i + 1];
    else if (option == "--plug-after")
      plugAfter = std::atoi(argv[i + 1]);
    else if (option == "--unplug-after-ms")
      unplugAfter = std::atoi(argv[i + 1]);
  }
  const kelvatrix::MeterRunResult loaded = kelvatrix::LoadMeterRun(runFile);
  if (!loaded.run) {
    std::fprintf(stderr, "uhid_meter: %s\n", loaded.error.c_str());
    return 2;
  }
  std::signal(SIGTERM, Stop);
  std::signal(SIGINT, Stop);
  kelvatrix::SimulatedMeter meter(*loaded.run);
  UhidDevice device(0x1234, 0x5678, "Kelvatrix test meter");
  UhidDevice other(0x046D, 0xC31C, "Kelvatrix test neighbour");
  int otherReports = 0;
  const auto writeOther = [&] {
    if (!otherFile.empty()) std::ofstream(otherFile) << otherReports << "\n";
  };
  if (!otherFile.empty()) {
    if (!other.Create()) return 1;
    writeOther();
  }

  std::optional<Clock::time_point> plugAt = Clock::now() + std::chrono::milliseconds(plugAfter);
  std::optional<Clock::time_point> unplugAt;
  while (!stopping) {
    const auto now = Clock::now();
    if (plugAt && now >= *plugAt) {
      plugAt.reset();
      if (!device.Create()) return 1;
      if (unplugAfter >= 0) unplugAt = now + std::chrono::milliseconds(unplugAfter);
      if (!readyFile.empty()) std::ofstream(readyFile) << "plugged\n";
    }
    if (unplugAt && now >= *unplugAt) {
      unplugAt.reset();
      device.Destroy();
    }
    pollfd fds[2] = {{device.Fd(), POLLIN, 0}, {other.Fd(), POLLIN, 0}};
    poll(fds, 2, 10);
    if (fds[0].revents & POLLIN) {
      if (const auto event = device.Read(); event && event->type == UHID_OUTPUT) {
        const auto& output = event->u.output;
        const kelvatrix::SimulatedMeter::Answer answer =
            meter.Respond(std::vector<std::uint8_t>(output.data, output.data + output.size));
        // The meter's reports carry no ID byte: the simulated meter's leading 0 goes.
        if (answer.report && answer.report->size() > 1) {
          device.Input(std::vector<std::uint8_t>(answer.report->begin() + 1, answer.report->end()));
        }
        if (answer.leaveBus) {
          unplugAt = Clock::now() + std::chrono::milliseconds(20);
          if (const auto replug = meter.Run().replugAfterMs)
            plugAt = *unplugAt + std::chrono::milliseconds(*replug);
        }
      }
    }
    if (fds[1].revents & POLLIN) {
      if (const auto event = other.Read(); event && event->type == UHID_OUTPUT) {
        ++otherReports;
        writeOther();
      }
    }
  }
  return 0;
}

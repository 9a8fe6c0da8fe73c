#pragma once
// An in-process HID bus of scriptable devices, for tests, benchmarks and the simulated
// meter. Deterministic: nothing happens unless a test or a device model makes it happen.
//
// A device is plugged with its identity, report lengths and faults; a model answers the
// output reports written to it and sends input reports through its port. Plugging and
// unplugging raise the device-change notice. While any handle has a device open, its input
// reports wait in one buffer (up to 32) for whichever handle reads them, so a reply that
// comes between a write and the start of the reader is not lost.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace kelvatrix {

// System error codes the bus reports, after the platform's.
namespace virtual_error {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kOperationAborted = 995;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;
}  // namespace virtual_error

class VirtualHidBus;

// The device's side of the bus, handed to its model.
class VirtualHidPort {
 public:
  VirtualHidPort(VirtualHidBus& bus, std::uint32_t devInst) : bus_(bus), devInst_(devInst) {}
  // Sends one input report, report ID first, to every open read handle of the device.
  void SendInputReport(const std::vector<std::uint8_t>& report);
  // Takes the device off the bus (raises the device-change notice).
  void Unplug();
  std::uint32_t DevInst() const { return devInst_; }

 private:
  VirtualHidBus& bus_;
  std::uint32_t devInst_;
};

// What a device does with the output reports written to it. Called on the writing
// thread, without any lock of the bus held.
class VirtualDeviceModel {
 public:
  virtual ~VirtualDeviceModel() = default;
  virtual void OnOutputReport(const std::vector<std::uint8_t>& report, VirtualHidPort& port) = 0;
};

enum class VirtualOpen {
  Normal,        // opens with any access
  NoAccessOnly,  // read and write access refused; opening without access works
  Refused,       // cannot be opened at all
};

struct VirtualDeviceConfig {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t version = 0x0100;
  std::string description = "Virtual HID device";
  HidCaps caps{.Usage = 1, .UsagePage = 0xFF00, .InputReportByteLength = 65,
               .OutputReportByteLength = 65, .FeatureReportByteLength = 0,
               .NumberLinkCollectionNodes = 1};
  VirtualOpen open = VirtualOpen::Normal;
  bool failIdentify = false;       // the attribute query fails
  std::uint32_t failReadsWith = 0; // non-zero: every read start fails with this code
  std::uint32_t overstateReadsBy = 0;  // a faulty driver: a read claims this many bytes more
  std::shared_ptr<VirtualDeviceModel> model;
};

class VirtualHidBus {
 public:
  VirtualHidBus();
  ~VirtualHidBus();

  // Plugs a device in; returns its DevInst, unique for the life of the bus.
  std::uint32_t Plug(VirtualDeviceConfig config);
  // Takes a device off the bus: its open handles end and it can no longer be opened.
  void Unplug(std::uint32_t devInst);
  void SendInputReport(std::uint32_t devInst, const std::vector<std::uint8_t>& report);
  // Raises the device-change notice without any change (an unrelated device node).
  void RaiseDeviceChange();

  // Makes the next binding fail, as a platform library lacking an entry point would.
  void RemoveEntryPoint(const std::string& name);
  // The output reports written to a device so far, and how many handles (or read
  // handles, which receive input reports) it has open.
  std::vector<std::vector<std::uint8_t>> Written(std::uint32_t devInst) const;
  int OpenHandles(std::uint32_t devInst, bool readersOnly = false) const;

  HidBackend& Backend();

 private:
  friend class VirtualHidHandle;
  friend class VirtualHidBackend;
  struct Device;
  struct ReadState;

  Device* Find(std::uint32_t devInst);  // under mutex_
  void NotifyChanged();

  mutable std::mutex mutex_;
  std::condition_variable reportArrived_;
  std::vector<std::unique_ptr<Device>> devices_;  // plugged devices, in plug order
  std::uint32_t nextDevInst_ = 0x1000;
  std::set<std::string> removedEntryPoints_;
  std::function<void()> changed_;
  std::unique_ptr<HidBackend> backend_;
};

}  // namespace kelvatrix

#include "hid/backends/virtual/virtual_hid_bus.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>

#include "hid/hid_last_error.h"

namespace kelvatrix {

namespace {

constexpr std::size_t kBufferedReports = 32;

// The entry points a platform binding resolves; removing one makes Bind fail.
const char* const kEntryPoints[] = {
    "HidD_GetHidGuid",         "HidD_GetAttributes",          "HidD_GetPreparsedData",
    "HidD_FreePreparsedData",  "HidP_GetCaps",                "SetupDiGetClassDevsA",
    "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailA",
    "SetupDiGetDeviceRegistryPropertyA", "SetupDiDestroyDeviceInfoList",
};

}  // namespace

struct VirtualHidBus::ReadState {
  bool closed = false;
  bool reader = false;
  bool interrupted = false;
  std::uint32_t overstateBy = 0;
  // The device's input buffer, shared by all its open handles (see SendInputReport).
  std::shared_ptr<std::deque<std::vector<std::uint8_t>>> reports;
  // The started read: where it goes, and how it ended.
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  bool started = false;
  bool succeeded = false;
  std::uint32_t result = 0;
};

struct VirtualHidBus::Device {
  std::uint32_t devInst = 0;
  // Input reports wait here while any handle has the device open, as in the host's HID
  // driver, which polls a device once it is opened; a report nobody reads is dropped
  // when the last handle closes.
  std::shared_ptr<std::deque<std::vector<std::uint8_t>>> reports;
  VirtualDeviceConfig config;
  std::vector<std::vector<std::uint8_t>> written;
  std::vector<std::shared_ptr<ReadState>> handles;  // every open handle
};

class VirtualHidHandle final : public HidHandle {
 public:
  VirtualHidHandle(VirtualHidBus& bus, std::uint32_t devInst, HidAccess access,
                   std::shared_ptr<VirtualHidBus::ReadState> state)
      : bus_(bus), devInst_(devInst), access_(access), state_(std::move(state)) {}
  ~VirtualHidHandle() override { Close(); }

  void Close() override {
    std::lock_guard lock(bus_.mutex_);
    if (state_->closed) return;
    state_->closed = true;
    if (VirtualHidBus::Device* device = bus_.Find(devInst_)) {
      std::erase(device->handles, state_);
      if (device->handles.empty()) device->reports.reset();  // no longer polled
    }
    bus_.reportArrived_.notify_all();
  }

  bool GetAttributes(HidAttributes& attributes) override {
    std::lock_guard lock(bus_.mutex_);
    VirtualHidBus::Device* device = Usable();
    if (!device) return false;
    if (device->config.failIdentify) return Fail(virtual_error::kInvalidParameter);
    attributes.VendorID = device->config.vendorId;
    attributes.ProductID = device->config.productId;
    attributes.VersionNumber = device->config.version;
    return true;
  }

  std::shared_ptr<const HidPreparsedData> GetPreparsedData() override {
    std::lock_guard lock(bus_.mutex_);
    VirtualHidBus::Device* device = Usable();
    if (!device) return nullptr;
    return std::make_shared<FixedPreparsedData>(device->config.caps);
  }

  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) override {
    written = 0;
    std::shared_ptr<VirtualDeviceModel> model;
    std::vector<std::uint8_t> report(buffer, buffer + count);
    {
      std::lock_guard lock(bus_.mutex_);
      VirtualHidBus::Device* device = Usable();
      if (!device) return false;
      if (access_ != HidAccess::ReadWrite && access_ != HidAccess::OverlappedWrite) {
        return Fail(virtual_error::kAccessDenied);
      }
      if (count == 0 || count != device->config.caps.OutputReportByteLength) {
        return Fail(virtual_error::kInvalidParameter);
      }
      device->written.push_back(report);
      model = device->config.model;
    }
    written = count;
    if (model) {
      VirtualHidPort port(bus_, devInst_);
      model->OnOutputReport(report, port);
    }
    return true;
  }

  bool BeginRead(std::uint8_t* buffer, std::uint32_t count) override {
    std::lock_guard lock(bus_.mutex_);
    VirtualHidBus::Device* device = Usable();
    if (!device) return false;
    if (access_ != HidAccess::OverlappedRead) return Fail(virtual_error::kAccessDenied);
    if (device->config.failReadsWith != 0) return Fail(device->config.failReadsWith);
    state_->buffer = buffer;
    state_->count = count;
    state_->started = true;
    state_->succeeded = false;
    state_->result = 0;
    return true;
  }

  HidWait WaitRead(std::int32_t ms) override {
    std::unique_lock lock(bus_.mutex_);
    if (!state_->started) return HidWait::Completed;
    const bool ready = bus_.reportArrived_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
      return state_->closed || !state_->reports->empty() || state_->interrupted;
    });
    // An interrupted wait takes nothing off the buffer: the report stays for the next read.
    if (!ready || (state_->interrupted && !state_->closed)) {
      state_->interrupted = false;
      return HidWait::TimedOut;
    }
    state_->started = false;
    if (state_->closed) {
      SetHidLastError(virtual_error::kOperationAborted);
      return HidWait::Completed;
    }
    const std::vector<std::uint8_t> report = std::move(state_->reports->front());
    state_->reports->pop_front();
    const auto n = std::min<std::size_t>(report.size(), state_->count);
    if (n > 0) std::memcpy(state_->buffer, report.data(), n);
    state_->result = static_cast<std::uint32_t>(n) + state_->overstateBy;
    state_->succeeded = true;
    return HidWait::Completed;
  }

  bool ReadResult(std::uint32_t& count) override {
    std::lock_guard lock(bus_.mutex_);
    count = 0;
    if (state_->closed || !state_->succeeded) return Fail(virtual_error::kOperationAborted);
    count = state_->result;
    return true;
  }

  void InterruptWait() override {
    std::lock_guard lock(bus_.mutex_);
    state_->interrupted = true;
    bus_.reportArrived_.notify_all();
  }

  bool CancelRead() override {
    std::lock_guard lock(bus_.mutex_);
    state_->started = false;
    state_->buffer = nullptr;
    return true;
  }

 private:
  static bool Fail(std::uint32_t code) { return HidFail(code); }
  // The device behind an open handle, or null (with the error set) when it is gone.
  VirtualHidBus::Device* Usable() {
    if (state_->closed) {
      Fail(virtual_error::kInvalidHandle);
      return nullptr;
    }
    VirtualHidBus::Device* device = bus_.Find(devInst_);
    if (!device) Fail(virtual_error::kDeviceNotConnected);
    return device;
  }

  VirtualHidBus& bus_;
  std::uint32_t devInst_;
  HidAccess access_;
  std::shared_ptr<VirtualHidBus::ReadState> state_;
};

class VirtualHidBackend final : public HidBackend {
 public:
  explicit VirtualHidBackend(VirtualHidBus& bus) : bus_(bus) {}

  bool Bind() override {
    std::lock_guard lock(bus_.mutex_);
    bound_ = std::none_of(std::begin(kEntryPoints), std::end(kEntryPoints), [&](const char* name) {
      return bus_.removedEntryPoints_.count(name) != 0;
    });
    return bound_;
  }
  void Unbind() override { bound_ = false; }
  bool Bound() const override { return bound_; }

  std::vector<std::unique_ptr<HidPnPInfo>> ListInterfaces() override {
    std::lock_guard lock(bus_.mutex_);
    std::vector<std::unique_ptr<HidPnPInfo>> list;
    for (const auto& device : bus_.devices_) {
      auto info = std::make_unique<HidPnPInfo>();
      info->DevInst = device->devInst;
      info->DevicePath = "virtual-hid:" + std::to_string(device->devInst);
      info->DeviceDesc = device->config.description;
      info->Class = "HIDClass";
      info->EnumeratorName = "VIRTUAL";
      char hardwareId[40];
      std::snprintf(hardwareId, sizeof hardwareId, "HID\\VID_%04X&PID_%04X",
                    device->config.vendorId, device->config.productId);
      info->HardwareId = {hardwareId};
      list.push_back(std::move(info));
    }
    return list;
  }

  std::shared_ptr<HidHandle> Open(const HidPnPInfo& info, HidAccess access) override {
    std::lock_guard lock(bus_.mutex_);
    VirtualHidBus::Device* device = bus_.Find(info.DevInst);
    if (!device) {
      SetHidLastError(virtual_error::kFileNotFound);
      return nullptr;
    }
    const VirtualOpen open = device->config.open;
    if (open == VirtualOpen::Refused || (open == VirtualOpen::NoAccessOnly && access != HidAccess::None)) {
      SetHidLastError(virtual_error::kAccessDenied);
      return nullptr;
    }
    auto state = std::make_shared<VirtualHidBus::ReadState>();
    state->reader = access == HidAccess::OverlappedRead;
    state->overstateBy = device->config.overstateReadsBy;
    if (!device->reports) device->reports = std::make_shared<std::deque<std::vector<std::uint8_t>>>();
    state->reports = device->reports;
    device->handles.push_back(state);
    return std::make_shared<VirtualHidHandle>(bus_, device->devInst, access, std::move(state));
  }

  void WatchDeviceChanges(std::function<void()> changed) override {
    std::lock_guard lock(bus_.mutex_);
    bus_.changed_ = std::move(changed);
  }

 private:
  VirtualHidBus& bus_;
  std::atomic<bool> bound_{false};
};

void VirtualHidPort::SendInputReport(const std::vector<std::uint8_t>& report) {
  bus_.SendInputReport(devInst_, report);
}

void VirtualHidPort::Unplug() { bus_.Unplug(devInst_); }

VirtualHidBus::VirtualHidBus() : backend_(std::make_unique<VirtualHidBackend>(*this)) {}

VirtualHidBus::~VirtualHidBus() = default;

HidBackend& VirtualHidBus::Backend() { return *backend_; }

VirtualHidBus::Device* VirtualHidBus::Find(std::uint32_t devInst) {
  for (const auto& device : devices_) {
    if (device->devInst == devInst) return device.get();
  }
  return nullptr;
}

std::uint32_t VirtualHidBus::Plug(VirtualDeviceConfig config) {
  std::uint32_t devInst;
  {
    std::lock_guard lock(mutex_);
    auto device = std::make_unique<Device>();
    devInst = device->devInst = nextDevInst_++;
    device->config = std::move(config);
    devices_.push_back(std::move(device));
  }
  NotifyChanged();
  return devInst;
}

void VirtualHidBus::Unplug(std::uint32_t devInst) {
  {
    std::lock_guard lock(mutex_);
    const auto entry = std::find_if(devices_.begin(), devices_.end(),
                                    [&](const auto& device) { return device->devInst == devInst; });
    if (entry == devices_.end()) return;
    for (const auto& handle : (*entry)->handles) handle->closed = true;
    devices_.erase(entry);
    reportArrived_.notify_all();
  }
  NotifyChanged();
}

void VirtualHidBus::SendInputReport(std::uint32_t devInst, const std::vector<std::uint8_t>& report) {
  std::lock_guard lock(mutex_);
  Device* device = Find(devInst);
  if (!device) return;
  if (!device->reports) return;  // nobody has the device open: nothing polls it
  if (device->reports->size() == kBufferedReports) device->reports->pop_front();
  device->reports->push_back(report);
  reportArrived_.notify_all();
}

void VirtualHidBus::RaiseDeviceChange() { NotifyChanged(); }

void VirtualHidBus::NotifyChanged() {
  std::function<void()> changed;
  {
    std::lock_guard lock(mutex_);
    changed = changed_;
  }
  if (changed) changed();
}

void VirtualHidBus::RemoveEntryPoint(const std::string& name) {
  std::lock_guard lock(mutex_);
  removedEntryPoints_.insert(name);
}

std::vector<std::vector<std::uint8_t>> VirtualHidBus::Written(std::uint32_t devInst) const {
  std::lock_guard lock(mutex_);
  for (const auto& device : devices_) {
    if (device->devInst == devInst) return device->written;
  }
  return {};
}

int VirtualHidBus::OpenHandles(std::uint32_t devInst, bool readersOnly) const {
  std::lock_guard lock(mutex_);
  for (const auto& device : devices_) {
    if (device->devInst != devInst) continue;
    return static_cast<int>(std::count_if(device->handles.begin(), device->handles.end(),
                                          [&](const auto& h) { return !readersOnly || h->reader; }));
  }
  return 0;
}

}  // namespace kelvatrix

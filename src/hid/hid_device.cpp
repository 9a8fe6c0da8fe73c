#include "hid/hid_device.h"

#include "hid/controller_error.h"
#include "hid/hid_device_controller.h"
#include "hid/hid_device_read_thread.h"
#include "hid/hid_last_error.h"

namespace kelvatrix {

HidDevice::HidDevice(std::unique_ptr<HidPnPInfo> info, HidDeviceController* controller,
                     HidContext context)
    : context_(context), controller_(controller), pnpInfo_(std::move(info)) {
  if (controller_) {
    SetOnData(controller_->OnDeviceData());  // cannot start a reader: not claimed
    onUnplug_ = controller_->OnDeviceUnplug();
  }
  OpenMainHandle();
  if (!fileHandle_) throw ControllerError("device cannot be opened");
  attributes_.Size = 12;  // the size of the platform record
  if (!fileHandle_->GetAttributes(attributes_)) {
    CloseMain();
    throw ControllerError("device cannot be identified");
  }
  CloseMain();
}

HidDevice::~HidDevice() {
  const HidDataEvent keptOnData = onData_;
  const HidPlugEvent keptOnUnplug = onUnplug_;
  SetOnData({});
  onUnplug_ = {};
  // A device the controller does not list (a scanned one dropped while a change unwinds)
  // has no entry to hand on: making it a replacement would only make another such device.
  const bool listed = controller_ && controller_->Lists(this);
  // The read handle of a device still present goes to its replacement instead of being
  // closed: the platform keeps buffering the meter's reports on it, so a reply that comes
  // while the devices are handed back is read by the replacement's reader.
  std::shared_ptr<HidHandle> keptReadHandle;
  if (listed && pluggedIn_) {
    std::lock_guard lock(readHandleMutex_);
    keptReadHandle.swap(readHandle_);
  }
  CloseMain();
  CloseOverlapped(HidDirection::Write);
  CloseOverlapped(HidDirection::Read);
  preparsedData_.reset();

  if (!listed) return;
  std::unique_ptr<HidDevice> replacement;
  if (pluggedIn_) {
    try {
      replacement.reset(new HidDevice(std::move(pnpInfo_), controller_, context_));
      replacement->readHandle_ = std::move(keptReadHandle);
      replacement->SetOnData(keptOnData);
      replacement->onUnplug_ = keptOnUnplug;
      replacement->SetThreadSleepTime(threadSleepTime_);
    } catch (const ControllerError&) {
      // The device went before the controller noticed: its entry goes, as if unplugged.
      replacement.reset();
    }
  }
  if (keptReadHandle) keptReadHandle->Close();
  controller_->ReplaceDevice(this, std::move(replacement));
}

void HidDevice::OpenMainHandle() {
  fileHandle_ = context_.backend.Open(*pnpInfo_, HidAccess::ReadWrite);
  readWriteAccess_ = fileHandle_ != nullptr;
  accessError_ = readWriteAccess_ ? 0 : HidLastError();
  if (!fileHandle_) fileHandle_ = context_.backend.Open(*pnpInfo_, HidAccess::None);
}

bool HidDevice::OpenMain() {
  if (IsAccessible() && !fileHandle_) OpenMainHandle();
  return fileHandle_ != nullptr;
}

bool HidDevice::OpenOverlapped(HidDirection direction) {
  if (direction == HidDirection::Read) {
    // Looked at under the lock MarkUnplugged takes: a reader woken by the unplug never
    // opens the dead node again.
    std::lock_guard lock(readHandleMutex_);
    if (!IsAccessible()) return false;
    if (!readHandle_) readHandle_ = context_.backend.Open(*pnpInfo_, HidAccess::OverlappedRead);
    return readHandle_ != nullptr;
  }
  if (!IsAccessible()) return false;
  if (!writeHandle_) writeHandle_ = context_.backend.Open(*pnpInfo_, HidAccess::OverlappedWrite);
  return writeHandle_ != nullptr;
}

void HidDevice::CloseMain() {
  if (fileHandle_) fileHandle_->Close();
  fileHandle_.reset();
}

void HidDevice::CloseOverlapped(HidDirection direction) {
  if (direction == HidDirection::Read) {
    std::shared_ptr<HidHandle> handle;
    {
      std::lock_guard lock(readHandleMutex_);
      handle.swap(readHandle_);
    }
    if (handle) handle->Close();  // a waiting reader wakes and finds its read ended
    return;
  }
  if (writeHandle_) writeHandle_->Close();
  writeHandle_.reset();
}

std::shared_ptr<const HidPreparsedData> HidDevice::EnsurePreparsedData() {
  if (!preparsedData_ && OpenMain()) {
    preparsedData_ = fileHandle_->GetPreparsedData();
    CloseMain();
  }
  return preparsedData_;
}

HidCaps HidDevice::QueryCaps() {
  const auto preparsed = EnsurePreparsedData();
  return preparsed ? preparsed->Caps() : HidCaps{};
}

bool HidDevice::WriteReport(const std::uint8_t* buffer, std::uint32_t count,
                            std::uint32_t& written) {
  written = 0;
  if (!OpenMain()) return false;
  return fileHandle_->Write(buffer, count, written);
}

void HidDevice::SetOnData(HidDataEvent handler) {
  if (!handler.IsSet()) StopReadThread();
  onData_ = handler;
  StartReadThread();
}

void HidDevice::SetThreadSleepTime(std::int32_t ms) {
  if (ms >= 10 && ms <= 10000) threadSleepTime_ = ms;
}

void HidDevice::StartReadThread() {
  if (!onData_.IsSet() || !pluggedIn_ || !claimed_ || !readWriteAccess_ || readThread_) return;
  readThread_ = std::make_unique<HidDeviceReadThread>(*this);
  readThread_->Start();
}

void HidDevice::StopReadThread() {
  if (!readThread_) return;
  readThread_->Stop();
  readThread_.reset();
}

void HidDevice::MarkUnplugged() {
  {
    // Unplugged first, then closed: the reader that the close wakes finds the device
    // inaccessible and does not open its node again.
    std::lock_guard lock(readHandleMutex_);
    pluggedIn_ = false;
  }
  CloseMain();
  CloseOverlapped(HidDirection::Read);
  CloseOverlapped(HidDirection::Write);
  const HidPlugEvent handler = onUnplug_;
  onUnplug_ = {};  // fires at most once
  if (handler.IsSet()) handler(*this);
}

std::shared_ptr<HidHandle> HidDevice::BeginRead(std::uint8_t* buffer, std::uint32_t count) {
  if (!OpenOverlapped(HidDirection::Read)) return nullptr;
  std::shared_ptr<HidHandle> handle;
  {
    std::lock_guard lock(readHandleMutex_);
    handle = readHandle_;
  }
  if (!handle || !handle->BeginRead(buffer, count)) return nullptr;
  return handle;
}

std::uint32_t HidDevice::ReadResult() {
  std::shared_ptr<HidHandle> handle;
  {
    std::lock_guard lock(readHandleMutex_);
    handle = readHandle_;
  }
  std::uint32_t count = 0;
  if (!handle || !handle->ReadResult(count)) return 0;
  return count;
}

void HidDevice::InterruptRead() {
  std::shared_ptr<HidHandle> handle;
  {
    std::lock_guard lock(readHandleMutex_);
    handle = readHandle_;
  }
  if (handle) handle->InterruptWait();
}

bool HidDevice::CancelPending(HidDirection direction) {
  std::shared_ptr<HidHandle> handle;
  if (direction == HidDirection::Read) {
    std::lock_guard lock(readHandleMutex_);
    handle = readHandle_;
  } else {
    handle = writeHandle_;
  }
  return handle && handle->CancelRead();
}

bool HidDevice::ReadThreadEnded() const { return readThread_ && readThread_->Ended(); }

}  // namespace kelvatrix

#pragma once
// One HID device interface that the controller found present. It opens the device only
// when it is accessible (plugged in, and claimed by the application or inside one of the
// controller's handlers) and only when an operation needs a handle; it reports its
// identity and report capabilities, writes output reports synchronously and, while the
// application holds it and has set OnData, runs a read thread that hands each input
// report to the user-interface thread.
//
// The controller makes devices and lends them out (ClaimByIndex); the holder gives one
// back by destroying it. Destroying a device that is still present puts a fresh,
// unclaimed device for it into the controller's list, carrying OnData, OnUnplug and
// ThreadSleepTime.

#include <atomic>
#include <memory>
#include <mutex>

#include "hid/hid_backend.h"
#include "hid/hid_pnp_info.h"
#include "hid/hid_types.h"
#include "platform/message_loop.h"

namespace kelvatrix {

class HidDeviceReadThread;

// What every device works through: the platform backend and the user-interface loop.
struct HidContext {
  HidBackend& backend;
  MessageLoop& loop;
};

enum class HidDirection { Read, Write };

class HidDevice {
 public:
  static constexpr std::int32_t kDefaultThreadSleepTime = 100;

  ~HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  const HidAttributes& Attributes() const { return attributes_; }
  const HidPnPInfo& PnPInfo() const { return *pnpInfo_; }
  HidDeviceController* Controller() const { return controller_; }
  bool PluggedIn() const { return pluggedIn_; }
  bool Claimed() const { return claimed_; }
  bool InHandler() const { return inHandler_; }
  bool ReadWriteAccess() const { return readWriteAccess_; }
  // Why the device could not be opened for reading and writing (the system's error code),
  // or 0 when it could.
  std::uint32_t AccessError() const { return accessError_; }
  bool HasReadThread() const { return readThread_ != nullptr; }
  // The read thread has ended by itself (an error escaped a handler) and is kept until
  // the next stop.
  bool ReadThreadEnded() const;

  // The capabilities, from the preparsed data fetched on first need and then cached;
  // all zeros when they cannot be had.
  HidCaps QueryCaps();
  // One synchronous output report of `count` bytes, report ID first.
  bool WriteReport(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written);

  const HidDataEvent& OnData() const { return onData_; }
  // Installing a handler starts the read thread when the device may read; an unset
  // handler stops it first. Replacing one set handler by another keeps a running thread.
  void SetOnData(HidDataEvent handler);
  const HidDataErrorEvent& OnDataError() const { return onDataError_; }
  void SetOnDataError(HidDataErrorEvent handler) { onDataError_ = handler; }
  const HidPlugEvent& OnUnplug() const { return onUnplug_; }
  void SetOnUnplug(HidPlugEvent handler) { onUnplug_ = handler; }

  std::int32_t ThreadSleepTime() const { return threadSleepTime_; }
  // Accepts 10 to 10000 ms; any other value is ignored.
  void SetThreadSleepTime(std::int32_t ms);

  void StartReadThread();
  // Closes the handles, marks the device unplugged and fires OnUnplug once.
  void MarkUnplugged();
  void CloseMain();
  void CloseOverlapped(HidDirection direction);

 private:
  friend class HidDeviceController;
  friend class HidDeviceReadThread;

  // Made by the controller only; raises ControllerError when the device cannot be opened
  // or identified (`info` is then destroyed with it).
  HidDevice(std::unique_ptr<HidPnPInfo> info, HidDeviceController* controller, HidContext context);

  bool IsAccessible() const { return pluggedIn_ && (claimed_ || inHandler_); }
  bool OpenMain();
  void OpenMainHandle();
  bool OpenOverlapped(HidDirection direction);
  std::shared_ptr<const HidPreparsedData> EnsurePreparsedData();
  void StopReadThread();

  // Read-thread side.
  std::shared_ptr<HidHandle> BeginRead(std::uint8_t* buffer, std::uint32_t count);
  std::uint32_t ReadResult();
  bool CancelPending(HidDirection direction);
  void InterruptRead();

  HidContext context_;
  HidDeviceController* controller_;
  std::atomic<bool> pluggedIn_{true};
  std::atomic<bool> claimed_{false};
  std::atomic<bool> inHandler_{false};
  std::shared_ptr<HidHandle> fileHandle_;   // user-interface thread only
  std::shared_ptr<HidHandle> writeHandle_;  // user-interface thread only
  mutable std::mutex readHandleMutex_;      // the read thread opens it, MarkUnplugged closes it
  std::shared_ptr<HidHandle> readHandle_;
  HidAttributes attributes_;
  std::unique_ptr<HidPnPInfo> pnpInfo_;
  std::shared_ptr<const HidPreparsedData> preparsedData_;
  std::atomic<std::int32_t> threadSleepTime_{kDefaultThreadSleepTime};
  HidDataEvent onData_;
  HidDataErrorEvent onDataError_;
  HidPlugEvent onUnplug_;
  bool readWriteAccess_ = false;
  std::uint32_t accessError_ = 0;
  std::unique_ptr<HidDeviceReadThread> readThread_;
};

}  // namespace kelvatrix

#include "hid/hid_device_read_thread.h"

#include <algorithm>
#include <cstring>

#include "hid/hid_device.h"
#include "hid/hid_last_error.h"
#include "platform/precise_wake_ups.h"

namespace kelvatrix {

HidDeviceReadThread::HidDeviceReadThread(HidDevice& device)
    : device_(device), reportBuffer_(device.QueryCaps().InputReportByteLength) {}

HidDeviceReadThread::~HidDeviceReadThread() { Stop(); }

void HidDeviceReadThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void HidDeviceReadThread::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(pauseMutex_);
    stopRequested_ = true;
  }
  pauseWake_.notify_all();
  device_.InterruptRead();
  // The reader may be blocked handing a report over: run its hand-offs until it has ended.
  device_.context_.loop.RunHandOffsUntil(this, [this] { return ended_.load(); });
  thread_.join();
}

void HidDeviceReadThread::Pause(std::int32_t ms) {
  std::unique_lock lock(pauseMutex_);
  pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested_.load(); });
}

void HidDeviceReadThread::Run() {
  // Woken twice a fetch by the user-interface thread, with little to do each time: it
  // should not push that thread off its core.
  LetThisThreadWaitItsTurn();
  MessageLoop& loop = device_.context_.loop;
  const auto length = static_cast<std::uint32_t>(reportBuffer_.size());
  bool readPending = false;
  try {
    while (!stopRequested_) {
      readPending = false;
      std::memset(reportBuffer_.data(), 0, reportBuffer_.size());
      std::shared_ptr<HidHandle> pending = device_.BeginRead(reportBuffer_.data(), length);
      if (pending) {
        readPending = true;
        HidWait wait = HidWait::TimedOut;
        while (!stopRequested_ && (wait = pending->WaitRead(device_.ThreadSleepTime())) != HidWait::Completed) {
        }
        if (wait != HidWait::Completed) continue;  // stopped while waiting
        readPending = false;
        // A report read just as the stop came is still handed over (the stop runs this
        // reader's hand-offs): a device handed back in the middle of a download loses no
        // reply.
        bytesRead_ = std::min<std::uint32_t>(device_.ReadResult(), length);
        if (bytesRead_ > 0) loop.InvokeAndWait([this] { DeliverReport(); }, this);
      } else {
        lastError_ = HidLastError();
        loop.InvokeAndWait([this] { DeliverError(); }, this);
        // A device whose reads cannot start (unplugged, refused) is tried again after one
        // wait rather than at once, so a failing reader does not spin.
        Pause(device_.ThreadSleepTime());
      }
    }
  } catch (...) {
    // An error escaping OnData or OnDataError ends the reader; the device keeps the ended
    // thread until it stops it.
  }
  if (readPending) device_.CancelPending(HidDirection::Read);
  ended_ = true;
  loop.Wake();
}

void HidDeviceReadThread::DeliverReport() {
  if (!device_.onData_.IsSet()) return;
  const auto size = static_cast<std::uint16_t>(bytesRead_ - 1);
  device_.onData_(device_, reportBuffer_.empty() ? 0 : reportBuffer_[0],
                  reportBuffer_.size() > 1 ? reportBuffer_.data() + 1 : nullptr, size);
}

void HidDeviceReadThread::DeliverError() {
  if (device_.onDataError_.IsSet()) device_.onDataError_(device_, lastError_);
}

}  // namespace kelvatrix

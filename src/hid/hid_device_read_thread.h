#pragma once
// The read thread of one claimed device. It reads input reports and hands each to the
// user-interface thread, blocking until OnData has run there, so the report buffer never
// changes while a handler reads it. It sleeps in waits of the device's ThreadSleepTime
// and wakes early only when a read completes: an idle reader costs nothing.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvatrix {

class HidDevice;

class HidDeviceReadThread {
 public:
  // Runs on the user-interface thread: takes the input report length once, here, so the
  // thread never touches the device's main handle.
  explicit HidDeviceReadThread(HidDevice& device);
  ~HidDeviceReadThread();
  HidDeviceReadThread(const HidDeviceReadThread&) = delete;
  HidDeviceReadThread& operator=(const HidDeviceReadThread&) = delete;

  void Start();
  // Requests the stop and waits for the thread to end, running its hand-offs meanwhile.
  void Stop();
  bool Ended() const { return ended_; }

 private:
  void Run();
  void DeliverReport();
  void DeliverError();
  // Waits `ms` or until a stop is requested.
  void Pause(std::int32_t ms);

  HidDevice& device_;
  std::uint32_t lastError_ = 0;
  std::uint32_t bytesRead_ = 0;
  std::vector<std::uint8_t> reportBuffer_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> ended_{false};
  std::mutex pauseMutex_;
  std::condition_variable pauseWake_;
  std::thread thread_;
};

}  // namespace kelvatrix

#pragma once
// One handle of a HID device interface opened with CreateFileA: synchronous for the
// attribute and capability queries and for writes, overlapped for the reader's
// ReadFileEx, whose completion is noticed through an alertable SleepEx.
//
// Close may come from the user-interface thread while the reader waits: it cancels the
// pending read (CancelIoEx) and the waiting reader wakes with its read ended. The system
// handle itself is closed only when the last user lets go, so its number is never reused
// under a waiting reader.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "hid/backends/windows/win_hid_library.h"
#include "hid/hid_backend.h"

namespace kelvatrix {

class WindowsHidHandle final : public HidHandle {
 public:
  WindowsHidHandle(HANDLE handle, const WinHidLibrary& library);
  ~WindowsHidHandle() override;
  WindowsHidHandle(const WindowsHidHandle&) = delete;
  WindowsHidHandle& operator=(const WindowsHidHandle&) = delete;

  void Close() override;
  bool GetAttributes(HidAttributes& attributes) override;
  std::shared_ptr<const HidPreparsedData> GetPreparsedData() override;
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) override;
  bool BeginRead(std::uint8_t* buffer, std::uint32_t count) override;
  HidWait WaitRead(std::int32_t ms) override;
  bool ReadResult(std::uint32_t& count) override;
  bool CancelRead() override;
  void InterruptWait() override;

 private:
  // The completion routine of every read: it notes that the read has completed; the count
  // comes from GetOverlappedResult.
  static void CALLBACK ReadCompleted(DWORD error, DWORD count, LPOVERLAPPED overlapped);

  struct Read {
    OVERLAPPED overlapped{};
    WindowsHidHandle* owner = nullptr;
    bool completed = false;
  };

  const HANDLE handle_;
  const WinHidLibrary& library_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> interrupted_{false};
  // The reader's side: the read in progress and the thread that waits for it.
  Read read_;
  bool pending_ = false;
  std::mutex readerMutex_;
  HANDLE reader_ = nullptr;  // a handle of the reading thread, for waking it
  DWORD readerId_ = 0;
};

}  // namespace kelvatrix

#include "hid/backends/windows/windows_hid_handle.h"

#include "hid/hid_last_error.h"

namespace kelvatrix {
namespace {

bool Fail(DWORD code) { return HidFail(static_cast<std::uint32_t>(code)); }

// Wakes an alertable wait; the wait then sees why.
void CALLBACK Nudge(ULONG_PTR) {}

// The parsed report descriptor of HID.dll, freed with the last user.
class WindowsPreparsedData final : public HidPreparsedData {
 public:
  WindowsPreparsedData(PHIDP_PREPARSED_DATA data, const WinHidLibrary& library)
      : data_(data), library_(library) {}
  ~WindowsPreparsedData() override { library_.HidD_FreePreparsedData(data_); }
  WindowsPreparsedData(const WindowsPreparsedData&) = delete;
  WindowsPreparsedData& operator=(const WindowsPreparsedData&) = delete;

  HidCaps Caps() const override {
    HIDP_CAPS caps{};
    library_.HidP_GetCaps(data_, &caps);  // a failure leaves the record zero
    return {caps.Usage,
            caps.UsagePage,
            caps.InputReportByteLength,
            caps.OutputReportByteLength,
            caps.FeatureReportByteLength,
            caps.NumberLinkCollectionNodes};
  }

 private:
  PHIDP_PREPARSED_DATA data_;
  const WinHidLibrary& library_;
};

}  // namespace

WindowsHidHandle::WindowsHidHandle(HANDLE handle, const WinHidLibrary& library)
    : handle_(handle), library_(library) {
  read_.owner = this;
}

WindowsHidHandle::~WindowsHidHandle() {
  std::lock_guard lock(readerMutex_);
  if (reader_) CloseHandle(reader_);
  CloseHandle(handle_);
}

void WindowsHidHandle::Close() {
  if (closed_.exchange(true)) return;
  // The pending read ends, aborted; its completion wakes the reader.
  CancelIoEx(handle_, nullptr);
  InterruptWait();
}

bool WindowsHidHandle::GetAttributes(HidAttributes& attributes) {
  if (closed_) return Fail(ERROR_INVALID_HANDLE);
  HIDD_ATTRIBUTES record{};
  record.Size = sizeof record;
  if (!library_.HidD_GetAttributes(handle_, &record)) return Fail(GetLastError());
  attributes.Size = record.Size;
  attributes.VendorID = record.VendorID;
  attributes.ProductID = record.ProductID;
  attributes.VersionNumber = record.VersionNumber;
  return true;
}

std::shared_ptr<const HidPreparsedData> WindowsHidHandle::GetPreparsedData() {
  if (closed_) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  PHIDP_PREPARSED_DATA data = nullptr;
  library_.HidD_GetPreparsedData(handle_, &data);
  if (!data) return nullptr;
  return std::make_shared<WindowsPreparsedData>(data, library_);
}

bool WindowsHidHandle::Write(const std::uint8_t* buffer, std::uint32_t count,
                             std::uint32_t& written) {
  written = 0;
  if (closed_) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  if (!WriteFile(handle_, buffer, count, &done, nullptr)) return Fail(GetLastError());
  written = done;
  return true;
}

void CALLBACK WindowsHidHandle::ReadCompleted(DWORD, DWORD, LPOVERLAPPED overlapped) {
  // The OVERLAPPED record is the first member of the read record.
  reinterpret_cast<Read*>(overlapped)->completed = true;
}

bool WindowsHidHandle::BeginRead(std::uint8_t* buffer, std::uint32_t count) {
  if (closed_) return Fail(ERROR_INVALID_HANDLE);
  {
    // The thread to wake is the one reading now: after a hand-over a new read thread
    // takes over the handle, and the one before it has ended.
    std::lock_guard lock(readerMutex_);
    if (readerId_ != GetCurrentThreadId()) {
      if (reader_) CloseHandle(reader_);
      reader_ = nullptr;
      DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &reader_, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
      readerId_ = GetCurrentThreadId();
    }
  }
  read_.overlapped = OVERLAPPED{};
  read_.completed = false;
  if (!ReadFileEx(handle_, buffer, count, &read_.overlapped, &WindowsHidHandle::ReadCompleted)) {
    return Fail(GetLastError());
  }
  pending_ = true;
  return true;
}

HidWait WindowsHidHandle::WaitRead(std::int32_t ms) {
  if (!pending_) return HidWait::Completed;
  if (!read_.completed) SleepEx(static_cast<DWORD>(ms), TRUE);
  if (read_.completed) {
    pending_ = false;
    interrupted_ = false;
    return HidWait::Completed;
  }
  // A wake-up by InterruptWait, or the time is up: the read goes on.
  interrupted_ = false;
  return HidWait::TimedOut;
}

bool WindowsHidHandle::ReadResult(std::uint32_t& count) {
  count = 0;
  DWORD done = 0;
  if (!GetOverlappedResult(handle_, &read_.overlapped, &done, FALSE)) return Fail(GetLastError());
  count = done;
  return true;
}

bool WindowsHidHandle::CancelRead() {
  if (!pending_) return true;
  const bool cancelled = CancelIo(handle_) != 0;
  // The buffer may be released only once the cancelled read has completed.
  for (int i = 0; i < 50 && !read_.completed; ++i) SleepEx(20, TRUE);
  pending_ = false;
  return cancelled;
}

void WindowsHidHandle::InterruptWait() {
  interrupted_ = true;
  std::lock_guard lock(readerMutex_);
  if (reader_) QueueUserAPC(&Nudge, reader_, 0);
}

}  // namespace kelvatrix

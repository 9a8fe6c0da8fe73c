#pragma once
// The message-loop contract on the Windows message queue of the user-interface thread:
// tasks and hand-offs wait in the shared queue, and a message to a window of the loop's
// own (message-only) wakes the thread for them, so they run wherever the thread pumps
// messages: in the program's loop, inside message boxes and dialogs, and in
// ProcessMessages.

#include "gui/win32/windows_api.h"

#include <atomic>
#include <chrono>
#include <optional>

#include "platform/hand_off_queue.h"
#include "platform/message_loop.h"

namespace kelvatrix {

class Win32MessageLoop final : public MessageLoop {
 public:
  Win32MessageLoop();
  ~Win32MessageLoop() override;
  Win32MessageLoop(const Win32MessageLoop&) = delete;
  Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

  void Post(Task task) override;
  void InvokeAndWait(Task task, const void* sender = nullptr) override;
  void ProcessMessages() override;
  void WaitForMessages(Clock::time_point deadline) override;
  void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) override;
  void Wake() override;

  // Keyboard messages for this window go through its dialog navigation first (Tab,
  // Enter, Space on its controls), as in a dialog box.
  void SetDialogWindow(HWND window) { dialogWindow_ = window; }
  // Pumps messages until the thread's quit message; returns its exit code.
  int Run();

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Nudge();
  // One message as the program's loop handles it.
  void Dispatch(MSG& message);
  // Sleeps until `deadline` or Wake(), whichever comes first, to a fraction of a
  // millisecond: the system's timed waits count whole milliseconds (and a condition
  // variable's timed wait on them ended a 5-ms wait 1.5 to 4 ms late under Wine).
  void SleepPrecisely(Clock::time_point deadline);

  // A wait this short (a download's pace between fetches) is slept out whole, as on the
  // other front end: the thread wakes once, and what came meanwhile runs afterwards.
  static constexpr std::chrono::milliseconds kSleptWait{20};
  // How long a look at the window messages that found none stands.
  static constexpr std::chrono::milliseconds kQuietPass{1};

  HandOffQueue queue_;
  HANDLE woken_;  // set by Wake(): ends a short wait
  std::atomic<bool> wakeRung_{false};
  // How late the system's timed waits have ended of late (smoothed).
  std::chrono::microseconds waitLateness_{300};
  std::optional<Clock::time_point> quietSince_;
  HWND window_ = nullptr;
  HWND dialogWindow_ = nullptr;
  std::atomic<bool> sleeping_{false};
  std::atomic<bool> nudged_{false};  // a wake-up message is on its way
  int exitCode_ = 0;
  bool quit_ = false;
};

}  // namespace kelvatrix

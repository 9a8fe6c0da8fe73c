#include "gui/win32/win32_message_loop.h"

#include <algorithm>
#include <utility>

#include "platform/precise_wake_ups.h"

namespace kelvatrix {
namespace {

constexpr UINT kRunHandOffs = WM_APP + 1;
constexpr wchar_t kClassName[] = L"KelvatrixMessageLoop";

ATOM RegisterLoopClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass);
}

}  // namespace

Win32MessageLoop::Win32MessageLoop() : woken_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  static const ATOM registered = RegisterLoopClass(&WindowProcedure);
  (void)registered;
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32MessageLoop::~Win32MessageLoop() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  CloseHandle(woken_);
}

LRESULT CALLBACK Win32MessageLoop::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunHandOffs) {
    if (auto* loop = reinterpret_cast<Win32MessageLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      loop->nudged_ = false;
      loop->queue_.RunPending();
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Win32MessageLoop::Nudge() {
  // One wake-up message on its way is enough: it runs every task queued until it arrives.
  if (!nudged_.exchange(true)) PostMessageW(window_, kRunHandOffs, 0, 0);
}

void Win32MessageLoop::Post(Task task) {
  queue_.Push(std::move(task));
  Nudge();
}

void Win32MessageLoop::InvokeAndWait(Task task, const void* sender) {
  queue_.PushAndWait(std::move(task), sender, [this] {
    if (!sleeping_) Nudge();
  });
}

void Win32MessageLoop::Dispatch(MSG& message) {
  if (dialogWindow_ && IsDialogMessageW(dialogWindow_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32MessageLoop::ProcessMessages() {
  // Each look at the thread's queue is a round trip to Wine's server (some 30 us): a look
  // that found nothing is not made again within a millisecond, which a download's two
  // passes a fetch would otherwise pay twice. A hand-off never waits for it.
  const auto now = Clock::now();
  if (quietSince_ && now - *quietSince_ < kQuietPass) {
    queue_.RunPending();
    return;
  }
  quietSince_.reset();
  MSG message;
  bool any = false;
  while (!quit_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (message.message == WM_QUIT) {
      // Kept for Run: a download that pumps messages must not swallow the program's end.
      quit_ = true;
      exitCode_ = static_cast<int>(message.wParam);
      break;
    }
    Dispatch(message);
  }
  if (!any) quietSince_ = now;
  queue_.RunPending();
}

void Win32MessageLoop::WaitForMessages(Clock::time_point deadline) {
  if (queue_.HasPending() || quit_) return;
  WakeThisThreadOnTime();
  if (deadline - Clock::now() <= kSleptWait) {
    sleeping_ = true;
    SleepPrecisely(deadline);
    sleeping_ = false;
    // After the flag is down a new hand-off nudges the loop; those before it run here.
    queue_.RunPending();
    return;
  }
  // The system's timed wait counts whole milliseconds: it ends a millisecond short, and
  // the last stretch is waited on the queue, where a reader's report still ends it.
  const auto left = std::chrono::floor<std::chrono::milliseconds>(deadline - Clock::now()) - std::chrono::milliseconds(1);
  const DWORD timeout = static_cast<DWORD>(std::max<long long>(0, left.count()));
  const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (woke == WAIT_TIMEOUT && !queue_.HasPending()) queue_.WaitUntil(deadline);
}

void Win32MessageLoop::SleepPrecisely(Clock::time_point deadline) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  for (;;) {
    if (wakeRung_.exchange(false)) return;
    const auto now = Clock::now();
    if (now >= deadline) return;
    // Whole milliseconds are waited for, less what the waits have overrun of late; the
    // rest is spun, still ended by Wake().
    const auto wait = std::chrono::floor<milliseconds>(deadline - now - waitLateness_);
    if (wait.count() < 1) {
      while (Clock::now() < deadline && !wakeRung_.load()) YieldProcessor();
      continue;
    }
    const DWORD result = WaitForSingleObject(woken_, static_cast<DWORD>(wait.count()));
    if (result == WAIT_OBJECT_0) continue;  // Wake(): the flag says so
    const auto late = std::chrono::duration_cast<microseconds>(Clock::now() - now - wait);
    waitLateness_ = (waitLateness_ * 7 + std::clamp(late, microseconds(0), microseconds(2000))) / 8;
  }
}

void Win32MessageLoop::RunHandOffsUntil(const void* sender, const std::function<bool()>& done) {
  queue_.RunUntil(sender, done);
}

void Win32MessageLoop::Wake() {
  wakeRung_ = true;
  SetEvent(woken_);
  queue_.Wake();
  Nudge();
}

int Win32MessageLoop::Run() {
  MSG message;
  while (!quit_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      exitCode_ = got == 0 ? static_cast<int>(message.wParam) : 1;
      break;
    }
    Dispatch(message);
  }
  return exitCode_;
}

}  // namespace kelvatrix

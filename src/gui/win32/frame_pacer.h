#pragma once
// Paces the redrawing of the window's views while data streams in, as the other front
// end does: a view with something new asks for a frame; at most one frame every
// kInterval draws every view that asked, and a request after a quiet spell is drawn at
// once, so a single new row or point shows without delay.

#include "gui/win32/windows_api.h"

#include <chrono>
#include <functional>
#include <vector>

namespace kelvatrix {

class FramePacer {
 public:
  static constexpr std::chrono::milliseconds kInterval{250};

  // The pacer the window's views share (user-interface thread only).
  static FramePacer& Shared();

  // Calls `draw` at the next frame (or now, after a quiet spell). A view that asks again
  // before its frame has come is drawn once. `view` must Forget itself when it goes.
  void Request(const void* view, std::function<void()> draw);
  void Forget(const void* view);
  // Draws what waits now.
  void Flush();

 private:
  using Clock = std::chrono::steady_clock;
  static void CALLBACK TimerFired(HWND, UINT, UINT_PTR, DWORD);

  struct Pending {
    const void* view;
    std::function<void()> draw;
  };
  std::vector<Pending> pending_;
  UINT_PTR timer_ = 0;
  Clock::time_point lastFrame_{};
};

}  // namespace kelvatrix

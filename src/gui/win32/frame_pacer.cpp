#include "gui/win32/frame_pacer.h"

#include <algorithm>
#include <utility>

namespace kelvatrix {

FramePacer& FramePacer::Shared() {
  static FramePacer pacer;
  return pacer;
}

void CALLBACK FramePacer::TimerFired(HWND, UINT, UINT_PTR, DWORD) { Shared().Flush(); }

void FramePacer::Request(const void* view, std::function<void()> draw) {
  const auto now = Clock::now();
  if (!timer_ && now - lastFrame_ >= kInterval) {
    lastFrame_ = now;
    draw();
    return;
  }
  const auto same = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.view == view; });
  if (same != pending_.end()) {
    same->draw = std::move(draw);
  } else {
    pending_.push_back({view, std::move(draw)});
  }
  if (!timer_) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(lastFrame_ + kInterval - now);
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(std::max<long long>(USER_TIMER_MINIMUM, wait.count())),
                      &FramePacer::TimerFired);
  }
}

void FramePacer::Forget(const void* view) {
  std::erase_if(pending_, [&](const Pending& p) { return p.view == view; });
}

void FramePacer::Flush() {
  if (timer_) KillTimer(nullptr, std::exchange(timer_, 0));
  lastFrame_ = Clock::now();
  // A view's drawing may ask for the next frame: it goes into a fresh list.
  std::vector<Pending> due = std::exchange(pending_, {});
  for (Pending& frame : due) frame.draw();
}

}  // namespace kelvatrix

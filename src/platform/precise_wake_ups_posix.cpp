#include "platform/precise_wake_ups.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#endif

namespace kelvatrix {

void WakeThisThreadOnTime() {
#if defined(__linux__)
  // The slack is the thread's own; set once per thread.
  thread_local const bool set = [] { return prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0; }();
  (void)set;
#endif
}

PreciseTimerPeriod::PreciseTimerPeriod() = default;
PreciseTimerPeriod::~PreciseTimerPeriod() = default;

bool LetThisThreadWaitItsTurn() {
#if defined(__linux__)
  const sched_param normal{};
  return pthread_setschedparam(pthread_self(), SCHED_BATCH, &normal) == 0;
#else
  return true;
#endif
}

}  // namespace kelvatrix

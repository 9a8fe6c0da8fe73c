#include "platform/precise_wake_ups.h"

#include <windows.h>
// timeapi.h needs the types windows.h declares.
#include <timeapi.h>

namespace kelvatrix {

void WakeThisThreadOnTime() {}

PreciseTimerPeriod::PreciseTimerPeriod() : asked_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

PreciseTimerPeriod::~PreciseTimerPeriod() {
  if (asked_) timeEndPeriod(1);
}

bool LetThisThreadWaitItsTurn() { return true; }

}  // namespace kelvatrix

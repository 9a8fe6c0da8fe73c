#include "platform/precise_wake_ups.h"

#include <windows.h>
// timeapi.h needs the types windows.h declares.
#include <timeapi.h>

namespace kelvatrix {

void WakeThisThreadOnTime() {
  // The timer resolution is the process's; asked for once and kept until the process ends.
  static const bool set = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)set;
}

bool LetThisThreadWaitItsTurn() { return true; }

}  // namespace kelvatrix

#include "platform/precise_wake_ups.h"

#include <timeapi.h>
#include <windows.h>

namespace kelvatrix {

void WakeThisThreadOnTime() {
  // The timer resolution is the process's; asked for once and kept until the process ends.
  static const bool set = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)set;
}

}  // namespace kelvatrix

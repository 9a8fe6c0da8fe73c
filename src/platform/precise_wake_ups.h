#pragma once

namespace kelvatrix {

// Asks the system to wake the calling thread at the deadlines of its waits rather than
// late: Linux lets a thread's timers expire up to 50 us late to batch wake-ups. A
// download's waits are 5 ms each, so that would add up. Cheap to call again on the same
// thread; it touches no other thread. (Windows: see PreciseTimerPeriod.)
void WakeThisThreadOnTime();

// For as long as one lives, the system's timer runs fine enough for the download's 5-ms
// waits: Windows rounds waits to its 15.6-ms clock tick unless asked for 1 ms, which
// costs the whole system power, so it is asked for (timeBeginPeriod) only while the
// download runs and given back (timeEndPeriod) after. Elsewhere nothing changes.
class PreciseTimerPeriod {
 public:
  PreciseTimerPeriod();
  ~PreciseTimerPeriod();
  PreciseTimerPeriod(const PreciseTimerPeriod&) = delete;
  PreciseTimerPeriod& operator=(const PreciseTimerPeriod&) = delete;

 private:
  [[maybe_unused]] bool asked_ = false;  // Windows: the period was granted
};

// Asks the system not to hand the calling thread a core the moment another thread wakes
// it. A HID read thread is woken by the user-interface thread twice a fetch (its report
// has run; a command went to the simulated meter) and has only a few microseconds of
// work: taking that thread's core at once costs two switches each time. On Linux the
// thread becomes a batch thread, which never preempts on wake-up and still gets its full
// share; elsewhere nothing changes. Returns false when the system refused.
bool LetThisThreadWaitItsTurn();

}  // namespace kelvatrix

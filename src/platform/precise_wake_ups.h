#pragma once

namespace kelvatrix {

// Asks the system to wake the calling thread at the deadlines of its waits rather than
// late: Linux lets a thread's timers expire up to 50 us late to batch wake-ups, and
// Windows rounds waits to its 15.6-ms clock tick unless asked for 1 ms. A download's
// waits are 5 ms each, so either would add up. Cheap to call again on the same thread.
void WakeThisThreadOnTime();

// Asks the system not to hand the calling thread a core the moment another thread wakes
// it. A HID read thread is woken by the user-interface thread twice a fetch (its report
// has run; a command went to the simulated meter) and has only a few microseconds of
// work: taking that thread's core at once costs two switches each time. On Linux the
// thread becomes a batch thread, which never preempts on wake-up and still gets its full
// share; elsewhere nothing changes. Returns false when the system refused.
bool LetThisThreadWaitItsTurn();

}  // namespace kelvatrix

#pragma once

namespace kelvatrix {

// Asks the system to wake the calling thread at the deadlines of its waits rather than
// late: Linux lets a thread's timers expire up to 50 us late to batch wake-ups, and
// Windows rounds waits to its 15.6-ms clock tick unless asked for 1 ms. A download's
// waits are 5 ms each, so either would add up. Cheap to call again on the same thread.
void WakeThisThreadOnTime();

}  // namespace kelvatrix

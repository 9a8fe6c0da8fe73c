#pragma once

namespace kelvatrix {

// The program entry: initialise the application, create the main window (which runs its
// start-up), run the message loop until the window closes. Returns the exit status.
int RunProgram(int argc, char** argv);

}  // namespace kelvatrix

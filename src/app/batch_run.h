#pragma once
// --batch: the real start-up, the first device search, then the buttons' own handlers
// (Download, and Save as..., Print Data and Print Graph when asked for), each step
// reported on a line of its own, errors on standard error. No window system here: every
// front end runs the same batch.

#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/message_loop.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix {

// The exit status of a start-up that did not run every step (0 when it did), with the
// reason on standard error.
int StartupFailure(MainWindow::StartupOutcome outcome, const MainWindow& window);

// Runs the batch after start-up; returns the exit status.
int RunBatch(MainWindow::StartupOutcome outcome, MainWindow& window, MessageLoop& loop, ScriptedDialogs& dialogs,
             const CommandLine& options);

}  // namespace kelvatrix

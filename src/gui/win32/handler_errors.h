#pragma once
// An error must not unwind through Windows' own frames (the window procedures' callers):
// each window procedure of this front end runs its handler through Guarded, which shows
// what escapes the way the program reports every error it does not handle itself (the
// standard error box), as the other front end does for its event handlers.

#include <exception>
#include <functional>

namespace kelvatrix {

using ErrorReporter = std::function<void(const char* message)>;

// The program sets it once, at start; before that an escaped error is dropped.
void SetHandlerErrorReporter(ErrorReporter reporter);
void ReportHandlerError(const char* message);

template <typename Result, typename Handler>
Result Guarded(Result failed, Handler&& handler) {
  try {
    return handler();
  } catch (const std::exception& error) {
    ReportHandlerError(error.what());
  } catch (...) {
    ReportHandlerError("unknown error");
  }
  return failed;
}

}  // namespace kelvatrix

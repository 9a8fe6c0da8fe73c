#include "gui/win32/handler_errors.h"

#include <utility>

namespace kelvatrix {
namespace {
ErrorReporter& Reporter() {
  static ErrorReporter reporter;
  return reporter;
}
}  // namespace

void SetHandlerErrorReporter(ErrorReporter reporter) { Reporter() = std::move(reporter); }

void ReportHandlerError(const char* message) {
  if (Reporter()) Reporter()(message);
}

}  // namespace kelvatrix

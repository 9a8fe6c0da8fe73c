#pragma once
// Where the program finds its meter: the simulated meter (--simulate) on a virtual HID bus,
// or the platform's HID devices. No window system here: every front end starts the same way.

#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "platform/dialogs.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid/hid_backend.h"
#include "protocol/meter_run.h"
#include "protocol/virtual_meter.h"

namespace kelvatrix {

class MeterSource {
 public:
  // The simulated meter playing `run`, or the platform's devices when there is none.
  explicit MeterSource(std::optional<MeterRun> run);
  ~MeterSource();
  MeterSource(const MeterSource&) = delete;
  MeterSource& operator=(const MeterSource&) = delete;

  HidBackend& Backend() { return *backend_; }
  bool Simulated() const { return meter_ != nullptr; }

 private:
  VirtualHidBus bus_;  // first made, last gone: the meter plays on it
  std::unique_ptr<VirtualMeter> meter_;
  std::unique_ptr<HidBackend> platform_;
  HidBackend* backend_ = nullptr;
};

// The run --simulate asks for: the built-in one, or the run file's. Nothing without
// --simulate; `error` says what is wrong with a run file that cannot be used.
std::optional<MeterRun> SimulatedRun(const CommandLine& options, std::string& error);

// SimulatedRun for a program's start: a run file that cannot be used is said on standard
// error and, for a window, in `screen`'s standard error box (started from a desktop there
// is no terminal to read). False then: the program ends with status 2.
bool LoadSimulatedRun(const CommandLine& options, const std::string& title, Dialogs& screen,
                      std::optional<MeterRun>& run);

// What to tell the user when the platform's HID libraries could not be loaded.
std::string MissingHidLibrariesText(const std::string& title);

}  // namespace kelvatrix

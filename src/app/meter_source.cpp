#include "app/meter_source.h"

#include <iostream>

#ifdef __linux__
#include "hid/backends/linux/linux_hid_backend.h"
#endif
#ifdef _WIN32
#include "hid/backends/windows/windows_hid_backend.h"
#endif

namespace kelvatrix {

MeterSource::MeterSource(std::optional<MeterRun> run) {
  backend_ = &bus_.Backend();
  if (run) {
    meter_ = std::make_unique<VirtualMeter>(bus_, std::move(*run));
    return;
  }
#if defined(__linux__)
  platform_ = std::make_unique<LinuxHidBackend>();
#elif defined(_WIN32)
  platform_ = std::make_unique<WindowsHidBackend>();
#endif
  if (platform_) backend_ = platform_.get();
}

MeterSource::~MeterSource() = default;

std::optional<MeterRun> SimulatedRun(const CommandLine& options, std::string& error) {
  if (!options.simulate) return std::nullopt;
  if (options.runFile.empty()) return BuiltInMeterRun();
  MeterRunResult loaded = LoadMeterRun(options.runFile);
  if (!loaded.run) error = loaded.error;
  return std::move(loaded.run);
}

bool LoadSimulatedRun(const CommandLine& options, const std::string& title, Dialogs& screen,
                      std::optional<MeterRun>& run) {
  std::string error;
  run = SimulatedRun(options, error);
  if (error.empty()) return true;
  std::cerr << title << ": " << error << std::endl;
  if (!options.batch) ShowStandardError(screen, title, error);
  return false;
}

std::string MissingHidLibrariesText(const std::string& title) {
  return title + ": the system's HID libraries could not be loaded (" +
#ifdef _WIN32
         "HID.dll and SetupApi.dll"
#else
         "libudev.so.1"
#endif
         + "): no meter can be found";
}

}  // namespace kelvatrix

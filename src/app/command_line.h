#pragma once
// The program's command line. Qt-free, so it can be tested on its own.

#include <optional>
#include <string>
#include <vector>

namespace kelvatrix {

struct CommandLine {
  bool help = false;
  // Plug the simulated meter into the virtual HID bus instead of using the real devices;
  // `runFile` empty means the built-in run.
  bool simulate = false;
  std::string runFile;
  // Run start-up and the download without a window or dialogs; report each step on one
  // line and exit non-zero when one fails.
  bool batch = false;
  // With --batch: save the readings as this worksheet afterwards (replacing a file).
  std::string saveXls;
  // With --batch: print the data report, the charts, after the download.
  bool printData = false;
  bool printGraph = false;
  // Every print job becomes a PDF file in this folder, named after the job, no dialog.
  std::string printTo;
};

struct CommandLineResult {
  std::optional<CommandLine> options;  // empty when the arguments were wrong
  std::string error;                   // what was wrong
};

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText(const std::string& programName);

}  // namespace kelvatrix

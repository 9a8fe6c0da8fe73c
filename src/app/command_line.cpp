#include "app/command_line.h"

namespace kelvatrix {

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--batch") {
      options.batch = true;
    } else if (argument == "--simulate") {
      options.simulate = true;
    } else if (argument.rfind("--simulate=", 0) == 0) {
      options.simulate = true;
      options.runFile = argument.substr(11);
      if (options.runFile.empty()) return {std::nullopt, "--simulate= needs a run file"};
    } else {
      return {std::nullopt, "unknown option '" + argument + "'"};
    }
  }
  return {options, {}};
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName +
         " [--simulate[=RUNFILE]] [--batch]\n"
         "Downloads the test run of a high-voltage insulation-resistance meter.\n"
         "\n"
         "  --simulate          use the simulated meter (a 10-minute 5 kV test)\n"
         "  --simulate=RUNFILE  use the simulated meter with the readings of RUNFILE\n"
         "  --batch             start up and download without a window or dialogs, one\n"
         "                      line per step; the exit status is non-zero when a step fails\n"
         "  --help              show this text\n";
}

}  // namespace kelvatrix

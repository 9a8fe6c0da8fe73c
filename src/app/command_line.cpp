#include "app/command_line.h"

namespace kelvatrix {

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--batch") {
      options.batch = true;
    } else {
      return {std::nullopt, "unknown option '" + argument + "'"};
    }
  }
  return {options, {}};
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName +
         " [--batch]\n"
         "Downloads the test run of a high-voltage insulation-resistance meter.\n"
         "\n"
         "  --batch   run start-up without a window or dialogs, one line per step;\n"
         "            the exit status is non-zero when a step fails\n"
         "  --help    show this text\n";
}

}  // namespace kelvatrix

#include "app/command_line.h"

#include <optional>

namespace kelvatrix {

namespace {

// "--name VALUE" or "--name=VALUE": the value, advancing past it; nothing when `argument`
// is another option. `error` is set when the value is missing.
std::optional<std::string> OptionValue(const std::string& name, const std::vector<std::string>& arguments,
                                       std::size_t& i, std::string& error) {
  const std::string& argument = arguments[i];
  if (argument.rfind(name + "=", 0) == 0) {
    std::string value = argument.substr(name.size() + 1);
    if (value.empty()) error = name + " needs a value";
    return value;
  }
  if (argument != name) return std::nullopt;
  if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
    error = name + " needs a value";
    return std::string();
  }
  return arguments[++i];
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string error;
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
    } else if (argument == "--print-data") {
      options.printData = true;
    } else if (argument == "--print-graph") {
      options.printGraph = true;
    } else if (auto file = OptionValue("--save-xls", arguments, i, error)) {
      if (!error.empty()) return {std::nullopt, error};
      options.saveXls = *file;
    } else if (auto folder = OptionValue("--print-to", arguments, i, error)) {
      if (!error.empty()) return {std::nullopt, error};
      options.printTo = *folder;
    } else {
      return {std::nullopt, "unknown option '" + argument + "'"};
    }
  }
  if (!options.saveXls.empty() && !options.batch) return {std::nullopt, "--save-xls works with --batch"};
  if (options.printData && !options.batch) return {std::nullopt, "--print-data works with --batch"};
  if (options.printGraph && !options.batch) return {std::nullopt, "--print-graph works with --batch"};
  return {options, {}};
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName +
         " [--simulate[=RUNFILE]] [--print-to DIR]\n"
         "       [--batch [--save-xls FILE] [--print-data] [--print-graph]]\n"
         "Downloads the test run of a high-voltage insulation-resistance meter.\n"
         "\n"
         "  --simulate          use the simulated meter (a 10-minute 5 kV test)\n"
         "  --simulate=RUNFILE  use the simulated meter with the readings of RUNFILE\n"
         "  --batch             start up and download without a window or dialogs, one\n"
         "                      line per step; the exit status is non-zero when a step fails\n"
         "  --save-xls FILE     with --batch: then save the readings as the worksheet FILE,\n"
         "                      replacing a file of that name\n"
         "  --print-data        with --batch: then print the data report\n"
         "  --print-graph       with --batch: then print both charts\n"
         "  --print-to DIR      print into PDF files in DIR, named after each job, with no\n"
         "                      dialog (for machines without a printer)\n"
         "  --help              show this text\n";
}

}  // namespace kelvatrix

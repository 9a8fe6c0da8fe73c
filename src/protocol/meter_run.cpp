#include "protocol/meter_run.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace kelvatrix {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// A whole decimal number within [low, high], nothing else.
std::optional<int> Number(const std::string& word, int low, int high) {
  if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int value = std::stoi(word);
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::uint8_t> HexByte(const std::string& word) {
  if (word.size() != 2 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(std::stoi(word, nullptr, 16));
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Applies one directive line; returns what is wrong with it, or nothing.
std::string Directive(const std::vector<std::string>& words, MeterRun& run) {
  const std::string& name = words[0];
  if (words.size() != 2) return "'" + name + "' takes one value";
  const std::string& value = words[1];
  constexpr int kMaxCount = 100000000;
  if (name == "@handshake") {
    const auto byte = HexByte(value);
    if (!byte) return "'@handshake' takes one hexadecimal byte, not '" + value + "'";
    run.handshakeReply = *byte;
    return {};
  }
  struct Limits {
    const char* name;
    int low;
    int high;
  };
  static constexpr Limits kLimits[] = {
      {"@latency", 0, 60000},       {"@silent-after", 0, kMaxCount}, {"@drop", 1, kMaxCount},
      {"@garble", 1, kMaxCount},    {"@report-bytes", 0, 255},       {"@unplug-after", 1, kMaxCount},
      {"@replug-after", 0, 600000}, {"@hotplug-every", 1, kMaxCount},
  };
  for (const Limits& limits : kLimits) {
    if (name != limits.name) continue;
    const auto number = Number(value, limits.low, limits.high);
    if (!number) {
      return "'" + name + "' takes a whole number from " + std::to_string(limits.low) + " to " +
             std::to_string(limits.high) + ", not '" + value + "'";
    }
    if (name == "@latency") run.latencyMs = *number;
    if (name == "@silent-after") run.silentAfter = *number;
    if (name == "@drop") run.drop.insert(*number);
    if (name == "@garble") run.garble.insert(*number);
    if (name == "@report-bytes") run.reportBytes = *number;
    if (name == "@unplug-after") run.unplugAfter = *number;
    if (name == "@replug-after") run.replugAfterMs = *number;
    if (name == "@hotplug-every") run.hotplugEvery = *number;
    return {};
  }
  return "unknown directive '" + name + "'";
}

}  // namespace

MeterRunResult ParseMeterRun(const std::string& text) {
  MeterRun run;
  std::istringstream lines(text);
  std::string line;
  bool ended = false;  // after an "FF" line readings are no longer taken
  for (int number = 1; std::getline(lines, line); ++number) {
    const auto fail = [&](const std::string& what) {
      return MeterRunResult{std::nullopt, "line " + std::to_string(number) + ": " + what};
    };
    line = Trim(line.substr(0, line.find('#')));
    const std::vector<std::string> words = Words(line);
    // Blank also when it holds only white space Trim leaves (a vertical tab, a form feed).
    if (words.empty()) continue;
    if (words[0][0] == '@') {
      if (std::string problem = Directive(words, run); !problem.empty()) return fail(problem);
      continue;
    }
    if (words.size() == 1 && (words[0] == "FF" || words[0] == "ff")) {
      ended = true;
      continue;
    }
    if (words.size() != 4) return fail("a reading is four hexadecimal bytes, not '" + line + "'");
    std::array<std::uint8_t, 4> reading{};
    for (std::size_t i = 0; i < 4; ++i) {
      const auto byte = HexByte(words[i]);
      if (!byte) return fail("'" + words[i] + "' is not a hexadecimal byte");
      reading[i] = *byte;
    }
    if (reading[0] == 0xFF) return fail("a reading cannot start with FF, the end marker");
    if (!ended) run.readings.push_back(reading);
  }
  if (run.replugAfterMs && !run.unplugAfter) {
    return {std::nullopt, "'@replug-after' needs '@unplug-after'"};
  }
  return {run, {}};
}

MeterRunResult LoadMeterRun(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {std::nullopt, "cannot read the run file '" + path + "'"};
  std::ostringstream text;
  text << in.rdbuf();
  // Bounded: a run of a million readings is about 12 MB of text.
  if (text.str().size() > 64u * 1024 * 1024) return {std::nullopt, "the run file '" + path + "' is too large"};
  MeterRunResult result = ParseMeterRun(text.str());
  if (!result.run) result.error = path + ": " + result.error;
  return result;
}

MeterRun BuiltInMeterRun() {
  MeterRun run;
  // A real meter takes a little while to answer a command.
  run.latencyMs = 2;
  constexpr int kSeconds = 600;
  for (int second = 0; second < kSeconds; ++second) {
    const int volts = second < 10 ? 500 * (second + 1) : 5000 - (second % 7 == 3 ? 10 : 0);
    const int field = volts / 10;
    // Polarisation: the resistance climbs from about 60 M ohm towards 40 G ohm.
    const double megaOhm = 60.0 + 40000.0 * (1.0 - std::exp(-second / 180.0));
    std::uint16_t word = 0;
    if (megaOhm < 100) {
      word = static_cast<std::uint16_t>((1 << 13) | static_cast<int>(std::lround(megaOhm * 10)));  // 0.1 M
    } else if (megaOhm < 1000) {
      word = static_cast<std::uint16_t>(std::lround(megaOhm));  // whole M ohm
    } else {
      const double gigaOhm = megaOhm / 1000.0;
      word = static_cast<std::uint16_t>(0x8000 | (gigaOhm < 10 ? (2 << 13) | std::lround(gigaOhm * 100)
                                                               : (1 << 13) | std::lround(gigaOhm * 10)));
    }
    run.readings.push_back({static_cast<std::uint8_t>((second == 0 ? 0x80 : 0) | (field >> 8)),
                            static_cast<std::uint8_t>(field & 0xFF), static_cast<std::uint8_t>(word >> 8),
                            static_cast<std::uint8_t>(word & 0xFF)});
  }
  return run;
}

}  // namespace kelvatrix

#include "export/insulation_indices.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "export/number_text.h"

namespace kelvatrix {
namespace {

// A number as the download writes it, digits and a decimal point; a comma in its place
// (as an operator under a decimal-comma locale types it into the grid) is read as well.
std::optional<double> Number(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return ParseDecimal(text);
}

std::optional<int> Seconds(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoi(text);
}

// How far before the time asked for a reading may lie and still count as the reading at
// that time (a meter that records every other second).
constexpr int kReadingSlackSeconds = 2;

Figure ResistanceAt(const std::vector<RunRow>& run, int seconds, int duration) {
  const RunRow* found = nullptr;
  int foundTime = 0;
  for (const RunRow& row : run) {
    const std::optional<int> time = Seconds(row.times);
    if (time && *time <= seconds && *time >= seconds - kReadingSlackSeconds && *time >= foundTime) {
      found = &row;
      foundTime = *time;
    }
  }
  if (!found) {
    if (duration < seconds)
      return {std::nullopt, "the readings end at " + std::to_string(duration) + " s"};
    return {std::nullopt, "no reading at " + std::to_string(seconds) + " s"};
  }
  if (found->resistance == "----")
    return {std::nullopt, "over range at " + std::to_string(foundTime) + " s"};
  const std::optional<double> value = Number(found->resistance);
  if (!value || (found->unit != "M ohm" && found->unit != "G ohm")) {
    return {std::nullopt, "unreadable reading at " + std::to_string(foundTime) + " s"};
  }
  const double megaOhm = found->unit == "G ohm" ? *value * 1000 : *value;
  // A text of 300 digits is a number, but in G ohm past what a double holds.
  if (!std::isfinite(megaOhm)) return {std::nullopt, "unreadable reading at " + std::to_string(foundTime) + " s"};
  return {megaOhm, {}};
}

Figure Ratio(const Figure& over, const char* overName, const Figure& under, const char* underName) {
  if (!over.value) return {std::nullopt, std::string(overName) + " is not available"};
  if (!under.value) return {std::nullopt, std::string(underName) + " is not available"};
  if (*under.value <= 0) return {std::nullopt, std::string(underName) + " is 0"};
  const double ratio = *over.value / *under.value;
  if (!std::isfinite(ratio)) return {std::nullopt, std::string(overName) + " is too large"};
  return {ratio, {}};
}

std::string Grouped(double value, int decimals) {
  const std::string digits = FixedText(value, decimals);
  const std::size_t point = digits.find('.');
  const std::size_t whole = point == std::string::npos ? digits.size() : point;
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && i < whole && (whole - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string Unavailable(const Figure& figure) {
  return "not available (" + figure.unavailable + ")";
}

}  // namespace

InsulationIndices ComputeIndices(const std::vector<RunRow>& rows) {
  InsulationIndices indices;
  if (rows.empty()) {
    indices.testVoltage = {std::nullopt, "no readings"};
    indices.r15 = indices.r30 = indices.r60 = indices.r600 = indices.dar =
        indices.pi = {std::nullopt, "no readings"};
    return indices;
  }
  indices.hasRun = true;
  // The last run starts at the last row whose time is 1 (a run start), else at the top.
  for (std::size_t i = rows.size(); i-- > 0;) {
    if (Seconds(rows[i].times) == 1) {
      indices.firstRow = static_cast<int>(i);
      break;
    }
  }
  const std::vector<RunRow> run(rows.begin() + indices.firstRow, rows.end());
  indices.rows = static_cast<int>(run.size());
  for (const RunRow& row : run)
    indices.durationSeconds = std::max(indices.durationSeconds, Seconds(row.times).value_or(0));

  // The voltage held most often: the ramp at the start and its wobble do not count.
  std::map<double, int> held;
  for (const RunRow& row : run) {
    if (const std::optional<double> volts = Number(row.voltage)) ++held[*volts];
  }
  if (held.empty()) {
    indices.testVoltage = {std::nullopt, "no voltage readings"};
  } else {
    const auto most = std::max_element(held.begin(), held.end(), [](const auto& a, const auto& b) {
      return a.second < b.second || (a.second == b.second && a.first < b.first);
    });
    indices.testVoltage = {most->first, {}};
  }

  indices.r15 = ResistanceAt(run, 15, indices.durationSeconds);
  indices.r30 = ResistanceAt(run, 30, indices.durationSeconds);
  indices.r60 = ResistanceAt(run, 60, indices.durationSeconds);
  indices.r600 = ResistanceAt(run, 600, indices.durationSeconds);
  indices.dar = Ratio(indices.r60, "R(60 s)", indices.r30, "R(30 s)");
  indices.pi = Ratio(indices.r600, "R(600 s)", indices.r60, "R(60 s)");
  return indices;
}

std::vector<RunRow> RunRowsOf(DataSet& data) {
  std::vector<RunRow> rows;
  rows.reserve(static_cast<std::size_t>(std::max(0, data.RecordCount())));
  DataSetField& times = data.FieldByName("times");
  DataSetField& voltage = data.FieldByName("voltage");
  DataSetField& resistance = data.FieldByName("register");
  DataSetField& unit = data.FieldByName("unitr");
  const auto text = [](DataSetField& field) {
    return field.IsNull() ? std::string() : field.AsString();
  };
  ForEachRecord(data, [&] {
    rows.push_back({text(times), text(voltage), text(resistance), text(unit)});
  });
  return rows;
}

std::string FormatVoltage(const Figure& volts) {
  return volts.value ? Grouped(*volts.value, 0) + " V" : Unavailable(volts);
}

std::string FormatResistance(const Figure& megaOhm) {
  if (!megaOhm.value) return Unavailable(megaOhm);
  // Three decimals below 10 M ohm, as the meter reads them; whole numbers above 1,000.
  const double value = *megaOhm.value;
  const int decimals = value < 10 ? 3 : value < 1000 ? 1 : 0;
  std::string text = Grouped(value, decimals);
  if (decimals > 0) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text + " M ohm";
}

std::string FormatRatio(const Figure& ratio) {
  return ratio.value ? Grouped(*ratio.value, 2) : Unavailable(ratio);
}

std::string DescribeIndices(const InsulationIndices& indices) {
  if (!indices.hasRun) return "no readings";
  return FormatVoltage(indices.testVoltage) + " for " + std::to_string(indices.durationSeconds) +
         " s; R(15 s) " + FormatResistance(indices.r15) + ", R(30 s) " +
         FormatResistance(indices.r30) + ", R(60 s) " + FormatResistance(indices.r60) +
         ", R(600 s) " + FormatResistance(indices.r600) + "; DAR " + FormatRatio(indices.dar) +
         ", PI " + FormatRatio(indices.pi);
}

}  // namespace kelvatrix

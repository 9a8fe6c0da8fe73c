#include "export/report_project.h"

#include <fstream>
#include <sstream>

#include "export/number_text.h"

namespace kelvatrix {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A decimal number within [low, high], nothing else.
std::optional<double> Number(const std::string& word, double low, double high) {
  const std::optional<double> value = ParseDecimal(word);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

// Applies one setting; returns what is wrong with it, or nothing.
std::string Setting(const std::string& name, const std::string& rest, ReportDefinition& report) {
  std::istringstream words(rest);
  if (name == "title" || name == "header" || name == "footer") {
    (name == "title" ? report.title : name == "header" ? report.header : report.footer) = rest;
    if (name == "title" && rest.empty()) return "the title cannot be empty";
    return {};
  }
  if (name == "page") {
    std::string size, orientation, extra;
    words >> size >> orientation >> extra;
    static const std::pair<const char*, ReportDefinition::PageSize> kSizes[] = {
        {"A3", ReportDefinition::PageSize::A3},
        {"A4", ReportDefinition::PageSize::A4},
        {"A5", ReportDefinition::PageSize::A5},
        {"Letter", ReportDefinition::PageSize::Letter},
        {"Legal", ReportDefinition::PageSize::Legal}};
    bool known = false;
    for (const auto& [label, value] : kSizes) {
      if (size == label) {
        report.pageSize = value;
        known = true;
      }
    }
    if (!known) return "the page size is A3, A4, A5, Letter or Legal, not '" + size + "'";
    if (orientation != "portrait" && orientation != "landscape") {
      return "the page is portrait or landscape, not '" + orientation + "'";
    }
    if (!extra.empty()) return "'page' takes a size and an orientation";
    report.landscape = orientation == "landscape";
    return {};
  }
  if (name == "margins") {
    std::string word[5];
    words >> word[0] >> word[1] >> word[2] >> word[3] >> word[4];
    if (!word[4].empty() || word[3].empty())
      return "'margins' takes four numbers: left, top, right, bottom";
    for (int i = 0; i < 4; ++i) {
      const auto value = Number(word[i], 0, 100);
      if (!value) return "a margin is a number of millimetres from 0 to 100, not '" + word[i] + "'";
      report.marginsMm[i] = *value;
    }
    return {};
  }
  if (name == "font") {
    const auto space = rest.find_last_of(" \t");
    if (space == std::string::npos) return "'font' takes a family and a size";
    const auto points = Number(rest.substr(space + 1), 4, 72);
    if (!points)
      return "a font size is a number of points from 4 to 72, not '" + rest.substr(space + 1) + "'";
    report.fontFamily = Trim(rest.substr(0, space));
    report.fontPoints = *points;
    return {};
  }
  if (name == "summary") {
    if (rest != "yes" && rest != "no") return "'summary' takes yes or no, not '" + rest + "'";
    report.summary = rest == "yes";
    return {};
  }
  if (name == "column") {
    ReportColumn column;
    words >> column.field;
    std::string quoted;
    std::getline(words >> std::ws, quoted);
    if (column.field.empty() || quoted.empty() || quoted[0] != '"' ||
        quoted.find('"', 1) == std::string::npos) {
      return "'column' takes a field, a caption in double quotes, a width and an alignment";
    }
    const auto close = quoted.find('"', 1);
    column.caption = quoted.substr(1, close - 1);
    std::istringstream tail(quoted.substr(close + 1));
    std::string width, align, extra;
    tail >> width >> align >> extra;
    const auto widthMm = Number(width, 1, 1000);
    if (!widthMm)
      return "a column width is a number of millimetres from 1 to 1000, not '" + width + "'";
    column.widthMm = *widthMm;
    if (align == "left") {
      column.align = ReportColumn::Align::Left;
    } else if (align == "right") {
      column.align = ReportColumn::Align::Right;
    } else if (align == "center") {
      column.align = ReportColumn::Align::Center;
    } else {
      return "a column is aligned left, right or center, not '" + align + "'";
    }
    if (!extra.empty()) return "'column' has a word too many: '" + extra + "'";
    report.columns.push_back(column);
    return {};
  }
  return "unknown setting '" + name + "'";
}

}  // namespace

ReportParse ParseReportProject(const std::string& text) {
  ReportDefinition report;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  for (; std::getline(lines, line); ++number) {
    // A comment starts at the first "#" outside a caption's quotes.
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == '#' && !quoted) {
        line.erase(i);
        break;
      }
    }
    line = Trim(line);
    if (line.empty()) continue;
    const auto space = line.find_first_of(" \t");
    const std::string name = line.substr(0, space);
    const std::string rest =
        space == std::string::npos ? std::string() : Trim(line.substr(space + 1));
    if (const std::string problem = Setting(name, rest, report); !problem.empty()) {
      return {std::nullopt, "line " + std::to_string(number + 1) + ": " + problem};
    }
  }
  if (report.columns.empty())
    return {std::nullopt, "line " + std::to_string(number) + ": the report has no column"};
  return {report, {}};
}

std::string FillPlaceholders(std::string text, const std::string& date, int page, int pages) {
  const std::pair<std::string, std::string> fills[] = {
      {"{date}", date}, {"{page}", std::to_string(page)}, {"{pages}", std::to_string(pages)}};
  for (const auto& [placeholder, value] : fills) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
      text.replace(at, placeholder.size(), value);
    }
  }
  return text;
}

void ReportProject::Open() {
  if (IsOpen()) return;
  std::ifstream in(projectFile_, std::ios::binary);
  if (!in)
    throw ReportError("The following reporting project does not exist:\r\"" + projectFile_ + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw ReportError("The reporting project \"" + projectFile_ + "\" cannot be read");
  ReportParse parsed = ParseReportProject(text.str());
  if (!parsed.definition)
    throw ReportError("The reporting project \"" + projectFile_ + "\", " + parsed.error);
  definition_ = std::move(parsed.definition);
}

const ReportDefinition& ReportProject::Definition() const {
  if (!definition_) throw ReportError("The reporting project is not open");
  return *definition_;
}

}  // namespace kelvatrix

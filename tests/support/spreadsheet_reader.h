#pragma once
// Reads a worksheet file back with a real spreadsheet program: LibreOffice, headless,
// converts it to CSV (UTF-8, text cells quoted, numbers as shown), which is parsed here.
// Standard library only, so Qt-free tests can use it too.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kelvatrix::test {

// A cell as the spreadsheet program shows it; `text` tells a text cell from a number.
struct SheetCell {
  std::string value;
  bool text = false;
  bool operator==(const SheetCell&) const = default;
};
using SheetRows = std::vector<std::vector<SheetCell>>;

inline SheetRows ParseQuotedCsv(const std::string& csv) {
  SheetRows rows(1);
  std::vector<SheetCell>* row = &rows.back();
  SheetCell cell;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        cell.value += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell.value += c;
      }
    } else if (c == '"') {
      quoted = true;
      cell.text = true;
    } else if (c == ',') {
      row->push_back(cell);
      cell = {};
    } else if (c == '\n') {
      row->push_back(cell);
      cell = {};
      rows.emplace_back();
      row = &rows.back();
    } else if (c != '\r') {
      cell.value += c;
    }
  }
  if (!cell.value.empty() || cell.text || !row->empty()) row->push_back(cell);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

// The sheet as LibreOffice reads it, or nothing (with `error`) when it cannot be read.
inline std::optional<SheetRows> ReadSheet(const std::string& xlsPath, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path work = fs::temp_directory_path() / ("kelvatrix-lo-" + std::to_string(getpid()));
  fs::create_directories(work);
  const std::string command =
      "soffice --headless --norestore -env:UserInstallation=file://" + (work / "profile").string() +
      " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true' --outdir '" +
      (work / "out").string() + "' '" + xlsPath + "' >'" + (work / "log").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  const fs::path csv = work / "out" / (fs::path(xlsPath).stem().string() + ".csv");
  std::ifstream in(csv, std::ios::binary);
  if (status != 0 || !in) {
    std::ifstream log(work / "log");
    std::ostringstream text;
    text << log.rdbuf();
    error = "LibreOffice could not read " + xlsPath + " (status " + std::to_string(status) +
            "): " + text.str();
    fs::remove_all(work);
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  in.close();
  fs::remove_all(work / "out");
  return ParseQuotedCsv(text.str());
}

}  // namespace kelvatrix::test

// The report layout kelvatrix.rpt, which the user edits: read or refused naming its line,
// and what is read stays within the limits the report's pages rely on.
#include <cstdint>
#include <string>

#include "export/report_project.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kelvatrix::ReportParse parsed = kelvatrix::ParseReportProject(text);
  if (!parsed.definition) {
    FUZZ_REQUIRE(parsed.error.rfind("line ", 0) == 0);
    return 0;
  }
  const kelvatrix::ReportDefinition& report = *parsed.definition;
  FUZZ_REQUIRE(!report.columns.empty());
  FUZZ_REQUIRE(!report.title.empty());
  FUZZ_REQUIRE(report.fontPoints >= 4 && report.fontPoints <= 72);
  for (const double margin : report.marginsMm) FUZZ_REQUIRE(margin >= 0 && margin <= 100);
  for (const kelvatrix::ReportColumn& column : report.columns) {
    FUZZ_REQUIRE(column.widthMm >= 1 && column.widthMm <= 1000);
    FUZZ_REQUIRE(!column.field.empty());
  }
  // The header and footer as printed, with the placeholders filled in.
  const std::string header = kelvatrix::FillPlaceholders(report.header, "{date}", 1, 2);
  const std::string footer = kelvatrix::FillPlaceholders(report.footer, "{page}", 3, 4);
  FUZZ_REQUIRE(header.size() <= report.header.size() * 7 + 7 &&
               footer.size() <= report.footer.size() * 7 + 7);
  return 0;
}

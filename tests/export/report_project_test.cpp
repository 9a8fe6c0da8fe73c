#include "export/report_project.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#if defined(__linux__)
#include "decimal_comma_locale.h"
#endif

namespace kelvatrix {
namespace {

namespace fs = std::filesystem;

#if defined(__linux__)
// The layout file is the same text for every user: a decimal comma locale must not turn
// "9.5" into an error (or into 9).
TEST(ReportProject, NumbersReadTheSameUnderADecimalCommaLocale) {
  const std::string locale = test::DecimalCommaLocale();
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, locale.c_str()), nullptr);
  const ReportParse parsed = ParseReportProject(
      "font Liberation Sans 9.5\nmargins 12.5 10 10 10\ncolumn recno \"No.\" 12.5 right\n");
  std::setlocale(LC_ALL, before.c_str());
  ASSERT_TRUE(parsed.definition) << parsed.error;
  EXPECT_EQ(parsed.definition->fontPoints, 9.5);
  EXPECT_EQ(parsed.definition->marginsMm[0], 12.5);
  EXPECT_EQ(parsed.definition->columns[0].widthMm, 12.5);
}
#endif

TEST(ReportProject, TheInstalledProjectReadsAsWritten) {
  std::ifstream in(std::string(KELVATRIX_SOURCE_DIR) + "/data/kelvatrix.rpt");
  std::ostringstream text;
  text << in.rdbuf();
  const ReportParse parsed = ParseReportProject(text.str());
  ASSERT_TRUE(parsed.definition) << parsed.error;
  const ReportDefinition& report = *parsed.definition;
  EXPECT_EQ(report.title, "Insulation resistance test");
  EXPECT_FALSE(report.landscape);
  EXPECT_TRUE(report.summary);
  ASSERT_EQ(report.columns.size(), 6u);
  EXPECT_EQ(report.columns[4].field, "register");
  EXPECT_EQ(report.columns[4].caption, "Resistance");
  EXPECT_EQ(report.columns[4].align, ReportColumn::Align::Right);
  EXPECT_EQ(report.footer, "Page {page} of {pages}");
}

TEST(ReportProject, EveryMistakeNamesItsLine) {
  const std::string column = "column recno \"No.\" 12 right\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {column + "colum x \"X\" 10 left\n", "line 2: unknown setting 'colum'"},
      {"page A6 portrait\n" + column,
       "line 1: the page size is A3, A4, A5, Letter or Legal, not 'A6'"},
      {"page A4 sideways\n" + column, "line 1: the page is portrait or landscape, not 'sideways'"},
      {"margins 10 10 10\n" + column,
       "line 1: 'margins' takes four numbers: left, top, right, bottom"},
      {"margins 10 10 10 -1\n" + column,
       "line 1: a margin is a number of millimetres from 0 to 100, not '-1'"},
      {"font Arial huge\n" + column,
       "line 1: a font size is a number of points from 4 to 72, not 'huge'"},
      {"summary maybe\n" + column, "line 1: 'summary' takes yes or no, not 'maybe'"},
      {"column recno No. 12 right\n",
       "line 1: 'column' takes a field, a caption in double quotes, a width and an alignment"},
      {"column recno \"No.\" wide right\n",
       "line 1: a column width is a number of millimetres from 1 to 1000, not 'wide'"},
      {"column recno \"No.\" 12 up\n",
       "line 1: a column is aligned left, right or center, not 'up'"},
      {"title\n" + column, "line 1: the title cannot be empty"},
      {"# only a comment\ntitle Run\n", "line 2: the report has no column"},
  };
  for (const auto& c : cases) {
    const ReportParse parsed = ParseReportProject(c.text);
    EXPECT_FALSE(parsed.definition) << c.text;
    EXPECT_EQ(parsed.error, c.error) << c.text;
  }
}

TEST(ReportProject, CaptionsMayHoldHashesAndPlaceholdersAreFilledEverywhere) {
  const ReportParse parsed =
      ParseReportProject("column recno \"# of reading\" 12 center # a comment\n");
  ASSERT_TRUE(parsed.definition) << parsed.error;
  EXPECT_EQ(parsed.definition->columns[0].caption, "# of reading");
  EXPECT_EQ(parsed.definition->columns[0].align, ReportColumn::Align::Center);
  EXPECT_EQ(FillPlaceholders("Page {page} of {pages}, {date}; {page}", "10.12.2026", 3, 12),
            "Page 3 of 12, 10.12.2026; 3");
}

TEST(ReportProject, OpeningLoadsTheFileEachTimeAndSaysWhichIsMissing) {
  const fs::path directory =
      fs::temp_directory_path() / ("kelvatrix-rpt-" + std::to_string(::getpid()));
  fs::create_directories(directory);
  const fs::path file = directory / "kelvatrix.rpt";
  ReportProject project;
  project.SetProjectFile(file.string());
  try {
    project.Open();
    FAIL() << "a missing project opens";
  } catch (const ReportError& error) {
    EXPECT_EQ(std::string(error.what()),
              "The following reporting project does not exist:\r\"" + file.string() + "\"");
  }
  std::ofstream(file) << "title First\ncolumn recno \"No.\" 12 right\n";
  project.Open();
  EXPECT_EQ(project.Definition().title, "First");
  std::ofstream(file) << "title Second\ncolumn recno \"No.\" 12 right\n";
  project.Open();
  EXPECT_EQ(project.Definition().title, "First") << "an open project stays as it is";
  project.Close();
  project.Open();
  EXPECT_EQ(project.Definition().title, "Second") << "closed and opened: loaded again";
  std::ofstream(file) << "title Third\npage B5 portrait\n";
  project.Close();
  try {
    project.Open();
    FAIL() << "a malformed project opens";
  } catch (const ReportError& error) {
    EXPECT_EQ(std::string(error.what()),
              "The reporting project \"" + file.string() +
                  "\", line 2: the page size is A3, A4, A5, Letter or Legal, not 'B5'");
  }
  EXPECT_FALSE(project.IsOpen());
  fs::remove_all(directory);
}

}  // namespace
}  // namespace kelvatrix

#include "export/insulation_indices.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

#if defined(__linux__)
#include "decimal_comma_locale.h"
#endif

namespace kelvatrix {
namespace {

// A run of `seconds` readings, one a second, from `resistanceAt(t)` as text and unit.
std::vector<RunRow> MakeRun(
    int seconds, const std::function<std::pair<std::string, std::string>(int)>& resistanceAt,
    const std::string& volts = "5000") {
  std::vector<RunRow> rows;
  for (int t = 1; t <= seconds; ++t) {
    const auto [value, unit] = resistanceAt(t);
    rows.push_back({std::to_string(t), t < 4 ? std::to_string(t * 1000) : volts, value, unit});
  }
  return rows;
}

std::string Text(const Figure& figure) {
  return figure.value ? std::to_string(*figure.value) : figure.unavailable;
}

TEST(InsulationIndices, FiguresOfTheLastRunOrTheReasonThereAreNone) {
  const auto mega = [](int t) { return std::make_pair(std::to_string(t), std::string("M ohm")); };
  // M ohm up to a minute, then G ohm: 2.5 G ohm is 2,500 M ohm.
  const auto mixed = [](int t) {
    return t <= 60 ? std::make_pair(std::to_string(t * 10), std::string("M ohm"))
                   : std::make_pair(std::string("2.5"), std::string("G ohm"));
  };
  const auto overAt30 = [&](int t) {
    return t == 30 ? std::make_pair(std::string("----"), std::string("M ohm")) : mega(t);
  };
  const struct {
    const char* name;
    std::vector<RunRow> rows;
    std::string r15, r30, r60, r600, dar, pi;
  } cases[] = {
      {"ten minutes in M ohm", MakeRun(600, mega), "15.000000", "30.000000", "60.000000",
       "600.000000", "2.000000", "10.000000"},
      {"M ohm and G ohm mixed", MakeRun(600, mixed), "150.000000", "300.000000", "600.000000",
       "2500.000000", "2.000000", "4.166667"},
      {"over range at 30 s", MakeRun(600, overAt30), "15.000000", "over range at 30 s", "60.000000",
       "600.000000", "R(30 s) is not available", "10.000000"},
      {"a run shorter than ten minutes", MakeRun(90, mega), "15.000000", "30.000000", "60.000000",
       "the readings end at 90 s", "2.000000", "R(600 s) is not available"},
      {"a run shorter than a quarter minute", MakeRun(10, mega), "the readings end at 10 s",
       "the readings end at 10 s", "the readings end at 10 s", "the readings end at 10 s",
       "R(60 s) is not available", "R(600 s) is not available"},
  };
  for (const auto& c : cases) {
    const InsulationIndices indices = ComputeIndices(c.rows);
    EXPECT_EQ(Text(indices.r15), c.r15) << c.name;
    EXPECT_EQ(Text(indices.r30), c.r30) << c.name;
    EXPECT_EQ(Text(indices.r60), c.r60) << c.name;
    EXPECT_EQ(Text(indices.r600), c.r600) << c.name;
    EXPECT_EQ(Text(indices.dar), c.dar) << c.name;
    EXPECT_EQ(Text(indices.pi), c.pi) << c.name;
  }
}

// A run start in the middle of a download: the figures belong to the run after it.
TEST(InsulationIndices, ALaterRunStartBeginsTheRunTheFiguresBelongTo) {
  std::vector<RunRow> rows = MakeRun(
      40, [](int) { return std::make_pair(std::string("7"), std::string("M ohm")); }, "1000");
  const std::vector<RunRow> second =
      MakeRun(75, [](int t) { return std::make_pair(std::to_string(t), std::string("G ohm")); });
  rows.insert(rows.end(), second.begin(), second.end());
  const InsulationIndices indices = ComputeIndices(rows);
  EXPECT_EQ(indices.firstRow, 40);
  EXPECT_EQ(indices.rows, 75);
  EXPECT_EQ(indices.durationSeconds, 75);
  EXPECT_EQ(indices.testVoltage.value, 5000);
  EXPECT_EQ(indices.r30.value, 30000);
  EXPECT_EQ(indices.dar.value, 2);
}

TEST(InsulationIndices, ReadingsEveryOtherSecondAndDecimalCommasStillCount) {
  std::vector<RunRow> rows;
  for (int t = 1; t <= 61; t += 2)
    rows.push_back({std::to_string(t), "2500", t == 29 ? "1,5" : "3", "G ohm"});
  const InsulationIndices indices = ComputeIndices(rows);
  EXPECT_EQ(indices.r30.value, 1500) << "the reading at 29 s stands for 30 s";
  EXPECT_EQ(indices.r60.value, 3000) << "and the one at 59 s for 60 s";
  EXPECT_EQ(indices.testVoltage.value, 2500);
}

// Texts any ODBC client may have written: what the figures cannot use is not available,
// with the reason, and never ends the program.
TEST(InsulationIndices, ANumberTextTheFiguresCannotUseIsNamed) {
  const std::string huge = "1" + std::string(320, '0');  // past a double's range
  const struct {
    std::string text;
    std::string r15;
  } cases[] = {
      {"3.05", "3.050000"},
      {"3,05", "3.050000"},
      {huge, "unreadable reading at 15 s"},
      {huge + ".5", "unreadable reading at 15 s"},
      {"1e5", "unreadable reading at 15 s"},
      {"-3", "unreadable reading at 15 s"},
      {"3.0.5", "unreadable reading at 15 s"},
      {".", "unreadable reading at 15 s"},
      {"", "unreadable reading at 15 s"},
  };
  for (const auto& c : cases) {
    const InsulationIndices indices = ComputeIndices(MakeRun(
        20, [&](int t) { return std::make_pair(t == 15 ? c.text : "1", std::string("M ohm")); }));
    EXPECT_EQ(Text(indices.r15), c.r15) << c.text.substr(0, 20);
  }
  // A double's range holds the text, but not the figure made of it: in G ohm, or a ratio.
  const std::string large = "5" + std::string(306, '0');
  const InsulationIndices giga =
      ComputeIndices(MakeRun(60, [&](int t) { return std::make_pair(t == 30 ? large : "1", std::string("G ohm")); }));
  EXPECT_EQ(Text(giga.r30), "unreadable reading at 30 s");
  const InsulationIndices ratio = ComputeIndices(MakeRun(60, [&](int t) {
    return std::make_pair(t == 60 ? large : t == 30 ? "0.001" : "1", std::string("M ohm"));
  }));
  EXPECT_EQ(Text(ratio.dar), "R(60 s) is too large");
}

#if defined(__linux__)
// The program runs under the user's locale (Qt sets it at start): a decimal comma must
// change neither what is read nor what is written.
TEST(InsulationIndices, TheFiguresAreTheSameUnderADecimalCommaLocale) {
  const std::string locale = test::DecimalCommaLocale();
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, locale.c_str()), nullptr);
  const InsulationIndices indices = ComputeIndices(MakeRun(600, [](int t) {
    return std::make_pair(t < 60    ? "3.05"
                          : t < 600 ? "11.2"
                                    : "38.6",
                          std::string(t < 600 ? "M ohm" : "G ohm"));
  }));
  const std::string described = DescribeIndices(indices);
  std::setlocale(LC_ALL, before.c_str());
  EXPECT_EQ(described,
            "5,000 V for 600 s; R(15 s) 3.05 M ohm, R(30 s) 3.05 M ohm, R(60 s) 11.2 M ohm, R(600 "
            "s) 38,600 M ohm; "
            "DAR 3.67, PI 3,446.43");
}
#endif

TEST(InsulationIndices, NothingToComputeWithoutRows) {
  const InsulationIndices indices = ComputeIndices({});
  EXPECT_FALSE(indices.hasRun);
  EXPECT_EQ(DescribeIndices(indices), "no readings");
}

TEST(InsulationIndices, FiguresAreWrittenForPeople) {
  EXPECT_EQ(FormatVoltage({5000, {}}), "5,000 V");
  EXPECT_EQ(FormatResistance({38600, {}}), "38,600 M ohm");
  EXPECT_EQ(FormatResistance({502.26, {}}), "502.3 M ohm");
  EXPECT_EQ(FormatResistance({1.023, {}}), "1.023 M ohm");
  EXPECT_EQ(FormatResistance({3, {}}), "3 M ohm");
  EXPECT_EQ(FormatRatio({1.4567, {}}), "1.46");
  EXPECT_EQ(FormatRatio({std::nullopt, "R(30 s) is not available"}),
            "not available (R(30 s) is not available)");
  const InsulationIndices indices = ComputeIndices(
      MakeRun(600, [](int t) { return std::make_pair(std::to_string(t), std::string("M ohm")); }));
  EXPECT_EQ(DescribeIndices(indices),
            "5,000 V for 600 s; R(15 s) 15 M ohm, R(30 s) 30 M ohm, R(60 s) 60 M ohm, R(600 s) 600 "
            "M ohm; "
            "DAR 2.00, PI 10.00");
}

}  // namespace
}  // namespace kelvatrix

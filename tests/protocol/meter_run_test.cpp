#include "protocol/meter_run.h"

#include <gtest/gtest.h>

#include "protocol/reading.h"
#include "protocol/simulated_meter.h"

namespace kelvatrix {
namespace {

TEST(MeterRun, ReadsReadingsCommentsDirectivesAndAnEarlyEnd) {
  const auto result = ParseMeterRun(
      "# a short run\n"
      "@latency 3\n"
      "@handshake 00   # never acknowledges\n"
      "@drop 2\n@drop 4\n@garble 3\n@report-bytes 8\n@silent-after 9\n"
      "@unplug-after 5\n@replug-after 250\n@hotplug-every 7\n"
      "81 F4 41 2C\n"
      "  01 f4 a0 fa  \n"
      "\n"
      "FF\n"
      "02 58 13 FF\n");
  ASSERT_TRUE(result.run) << result.error;
  const MeterRun& run = *result.run;
  ASSERT_EQ(run.readings.size(), 2u) << "nothing after FF";
  EXPECT_EQ(run.readings[1][3], 0xFA);
  EXPECT_EQ(run.latencyMs, 3);
  EXPECT_EQ(run.handshakeReply, 0x00);
  EXPECT_EQ(run.drop, (std::set<int>{2, 4}));
  EXPECT_EQ(run.garble, (std::set<int>{3}));
  EXPECT_EQ(run.reportBytes, 8);
  EXPECT_EQ(run.silentAfter, 9);
  EXPECT_EQ(run.unplugAfter, 5);
  EXPECT_EQ(run.replugAfterMs, 250);
  EXPECT_EQ(run.hotplugEvery, 7);
}

TEST(MeterRun, AnythingElseIsAnErrorNamingItsLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"81 F4 41 2C\n@speed 3\n", "line 2: unknown directive '@speed'"},
      {"81 F4 41\n", "line 1: a reading is four hexadecimal bytes, not '81 F4 41'"},
      {"81 F4 41 2G\n", "line 1: '2G' is not a hexadecimal byte"},
      {"81 F4 41 2C 00\n", "line 1: a reading is four hexadecimal bytes, not '81 F4 41 2C 00'"},
      {"\n\n@latency\n", "line 3: '@latency' takes one value"},
      {"@latency -1\n", "line 1: '@latency' takes a whole number from 0 to 60000, not '-1'"},
      {"@report-bytes 256\n", "line 1: '@report-bytes' takes a whole number from 0 to 255, not '256'"},
      {"@drop 0\n", "line 1: '@drop' takes a whole number from 1 to 100000000, not '0'"},
      {"@handshake EFF\n", "line 1: '@handshake' takes one hexadecimal byte, not 'EFF'"},
      {"FF 00 00 00\n", "line 1: a reading cannot start with FF, the end marker"},
      {"@replug-after 100\n", "'@replug-after' needs '@unplug-after'"},
  };
  for (const auto& c : cases) {
    const auto result = ParseMeterRun(c.text);
    EXPECT_FALSE(result.run) << c.text;
    EXPECT_EQ(result.error, c.error) << c.text;
  }
  EXPECT_EQ(LoadMeterRun("/no/such/run.txt").error, "cannot read the run file '/no/such/run.txt'");
}

// Found by fuzzing: a line of white space that the trimming did not take (a vertical tab,
// a form feed) was read as a line with no words at all.
TEST(MeterRun, ALineOfAnyWhiteSpaceIsBlank) {
  for (const char* text : {"\v\n81 F4 41 2C\n", "\f\n81 F4 41 2C\n", " \v\t\f\r\n81 F4 41 2C\n"}) {
    const auto result = ParseMeterRun(text);
    ASSERT_TRUE(result.run) << result.error;
    EXPECT_EQ(result.run->readings.size(), 1u);
  }
}

TEST(MeterRun, BuiltInRunIsATenMinuteFiveKilovoltTest) {
  const MeterRun run = BuiltInMeterRun();
  ASSERT_EQ(run.readings.size(), 600u);
  const auto decode = [&](std::size_t i) {
    const auto& b = run.readings[i];
    return DecodeReading(b[0], b[1], b[2], b[3]);
  };
  EXPECT_TRUE(decode(0).runStart);
  EXPECT_FALSE(decode(1).runStart);
  EXPECT_EQ(decode(300).voltage, 5000);
  EXPECT_LT(decode(0).MegaOhm(), 100);
  EXPECT_STREQ(decode(599).Unit(), "G ohm");
  for (std::size_t i = 1; i < run.readings.size(); ++i) {
    EXPECT_GE(decode(i).MegaOhm(), decode(i - 1).MegaOhm() * 0.99) << i;
    EXPECT_NE(run.readings[i][0], kEndMarker);
  }
}

std::vector<std::uint8_t> Command(std::uint8_t code) {
  std::vector<std::uint8_t> report(65, 0);
  report[1] = code;
  return report;
}

TEST(SimulatedMeter, AnswersHandshakeAndFetchesThenTheEndMarker) {
  MeterRun run;
  run.readings = {{0x81, 0xF4, 0x41, 0x2C}, {0x01, 0xF4, 0xA0, 0xFA}, {0x02, 0x58, 0x13, 0xFF}};
  SimulatedMeter meter(run);
  ASSERT_EQ(meter.InputReportLength(), 65);

  auto answer = meter.Respond(Command(0xB5));
  ASSERT_TRUE(answer.report);
  EXPECT_EQ(answer.report->size(), 65u);
  EXPECT_EQ((*answer.report)[0], 0x00) << "report ID";
  EXPECT_EQ((*answer.report)[1], 0xEF);

  answer = meter.Respond(Command(0xC4));
  EXPECT_EQ(std::vector<std::uint8_t>(answer.report->begin() + 1, answer.report->begin() + 9),
            (std::vector<std::uint8_t>{0x81, 0xF4, 0x41, 0x2C, 0x01, 0xF4, 0xA0, 0xFA}));
  answer = meter.Respond(Command(0xC4));
  EXPECT_EQ((*answer.report)[1], 0x02);
  EXPECT_EQ((*answer.report)[5], 0xFF) << "end marker in the second position";
  answer = meter.Respond(Command(0xC4));
  EXPECT_EQ((*answer.report)[1], 0xFF);

  meter.Respond(Command(0xB5));  // a new handshake starts the run over
  answer = meter.Respond(Command(0xC4));
  EXPECT_EQ((*answer.report)[1], 0x81);
  EXPECT_FALSE(meter.Respond(Command(0x00)).report) << "unknown commands get no answer";
  EXPECT_FALSE(meter.Respond({0x00}).report);
}

TEST(SimulatedMeter, MisbehavesAsTheRunSays) {
  MeterRun run;
  for (int i = 0; i < 20; ++i) run.readings.push_back({0x01, 0xF4, 0x00, static_cast<std::uint8_t>(i)});
  run.drop = {2};
  run.garble = {3};
  run.silentAfter = 4;
  run.unplugAfter = 5;
  run.reportBytes = 3;
  SimulatedMeter meter(run);
  meter.Respond(Command(0xB5));

  auto first = meter.Respond(Command(0xC4));
  ASSERT_TRUE(first.report);
  EXPECT_EQ(first.report->size(), 4u) << "three data bytes: the readings are cut";
  EXPECT_FALSE(meter.Respond(Command(0xC4)).report) << "dropped";
  const auto garbled = meter.Respond(Command(0xC4));
  ASSERT_TRUE(garbled.report);
  EXPECT_TRUE(meter.Respond(Command(0xC4)).report) << "the 4th fetch is still answered";
  const auto fifth = meter.Respond(Command(0xC4));
  EXPECT_FALSE(fifth.report) << "silent after the 4th";
  EXPECT_TRUE(fifth.leaveBus) << "and off the bus after the 5th";
  EXPECT_FALSE(meter.Respond(Command(0xC4)).leaveBus) << "it leaves once";
  EXPECT_FALSE(meter.Respond(Command(0xC4)).report) << "and answers nothing on its way off";

  // Plugged in again: a new download runs in full, without leaving again.
  meter.Respond(Command(0xB5));
  for (int fetch = 1; fetch <= 5; ++fetch) EXPECT_FALSE(meter.Respond(Command(0xC4)).leaveBus) << fetch;
}

// A garbled reply carries random bytes in place of its two readings (the chance that
// eight random bytes are the readings is 2^-64), and the run goes on after them.
TEST(SimulatedMeter, AGarbledReplyReplacesItsReadingsWithRandomBytes) {
  MeterRun run;
  for (std::uint8_t i = 0; i < 6; ++i) run.readings.push_back({0x01, 0xF4, 0x00, i});
  run.garble = {2};
  SimulatedMeter meter(run);
  meter.Respond(Command(0xB5));
  const auto data = [](const SimulatedMeter::Answer& answer) {
    return std::vector<std::uint8_t>(answer.report->begin() + 1, answer.report->begin() + 9);
  };
  const auto first = meter.Respond(Command(0xC4));
  const auto garbled = meter.Respond(Command(0xC4));
  const auto third = meter.Respond(Command(0xC4));
  ASSERT_TRUE(first.report && garbled.report && third.report);
  EXPECT_EQ(data(first), (std::vector<std::uint8_t>{0x01, 0xF4, 0x00, 0, 0x01, 0xF4, 0x00, 1}));
  EXPECT_NE(data(garbled), (std::vector<std::uint8_t>{0x01, 0xF4, 0x00, 2, 0x01, 0xF4, 0x00, 3}));
  EXPECT_EQ(garbled.report->size(), first.report->size());
  EXPECT_EQ(data(third), (std::vector<std::uint8_t>{0x01, 0xF4, 0x00, 4, 0x01, 0xF4, 0x00, 5}));
}

}  // namespace
}  // namespace kelvatrix

#include "export/biff_records.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hex.h"

namespace kelvatrix::biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

class VectorSink final : public ByteSink {
 public:
  bool Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    written.insert(written.end(), bytes, bytes + size);
    ++writes;
    return true;
  }
  Bytes written;
  int writes = 0;
};

using test::Hex;

TEST(BiffRecords, EachRecordIsItsExactBytesInAFixedPartAndAPayload) {
  const struct {
    const char* name;
    std::function<bool(ByteSink&)> write;
    const char* bytes;
    int writes;
  } cases[] = {
      {"BOF", [](ByteSink& s) { return WriteBof(s); }, "09 08 08 00 00 00 10 00 00 00 00 00", 1},
      {"empty title at row 0, column 3", [](ByteSink& s) { return WriteLabel(s, 0, 3, ""); },
       "04 02 08 00 00 00 03 00 00 00 00 00", 1},
      {"abc at row 1, column 2", [](ByteSink& s) { return WriteLabel(s, 1, 2, "abc"); },
       "04 02 0B 00 01 00 02 00 00 00 03 00 61 62 63", 2},
      {"5 at row 2, column 0", [](ByteSink& s) { return WriteRk(s, 2, 0, 5); },
       "7E 02 0A 00 02 00 00 00 00 00 16 00 00 00", 2},
      {"-1 at row 2, column 1", [](ByteSink& s) { return WriteRk(s, 2, 1, -1); },
       "7E 02 0A 00 02 00 01 00 00 00 FE FF FF FF", 2},
      {"1.5 at row 2, column 0", [](ByteSink& s) { return WriteNumber(s, 2, 0, 1.5); },
       "03 02 0E 00 02 00 00 00 00 00 00 00 00 00 00 00 F8 3F", 2},
      {"null at row 3, column 4", [](ByteSink& s) { return WriteBlank(s, 3, 4); },
       "01 02 06 00 03 00 04 00 17 00", 1},
      {"EOF", [](ByteSink& s) { return WriteEof(s); }, "0A 00 00 00", 1},
      {"RK limits",
       [](ByteSink& s) { return WriteRk(s, 0xFFFF, 0x0100, kRkMax) && WriteRk(s, 0, 0, kRkMin); },
       "7E 02 0A 00 FF FF 00 01 00 00 FE FF FF 7F 7E 02 0A 00 00 00 00 00 00 00 02 00 00 80", 4},
  };
  for (const auto& c : cases) {
    VectorSink sink;
    ASSERT_TRUE(c.write(sink)) << c.name;
    EXPECT_EQ(Hex(sink.written), c.bytes) << c.name;
    EXPECT_EQ(sink.writes, c.writes) << c.name;
  }
}

TEST(BiffRecords, IntegersOutsideThirtyBitsDoNotFitAnRkValue) {
  EXPECT_TRUE(FitsRk(536870911));
  EXPECT_TRUE(FitsRk(-536870912));
  EXPECT_FALSE(FitsRk(536870912));
  EXPECT_FALSE(FitsRk(-536870913));
  EXPECT_FALSE(FitsRk(4294967296LL));
}

TEST(BiffRecords, ALabelTooLongForItsLengthFieldsIsCutAtTheLimit) {
  VectorSink sink;
  const std::string text(70000, 'x');
  ASSERT_TRUE(WriteLabel(sink, 0, 0, text));
  ASSERT_EQ(sink.written.size(), 12 + kMaxLabelBytes);
  EXPECT_EQ(sink.written[2] | sink.written[3] << 8, 0xFFFF) << "body length";
  EXPECT_EQ(sink.written[10] | sink.written[11] << 8, 0xFFF7) << "text length";
}

TEST(BiffRecords, TextIsWindows1252WithQuestionMarksForTheRest) {
  const struct {
    const char* utf8;
    const char* ansi;
  } cases[] = {
      {"M ohm", "M ohm"},
      {"\xC2\xB5"
       "A \xC3\xA9t\xC3\xA9",
       "\xB5"
       "A \xE9t\xE9"},                     // µA été
      {"\xE2\x82\xAC 5", "\x80 5"},        // € is 0x80
      {"\xE2\x80\x93", "\x96"},            // en dash
      {"\xCE\xA9", "?"},                   // Ω has no place
      {"\xE6\x8F\x90\xE7\xA4\xBA", "??"},  // 提示
      {"\xF0\x9F\x98\x80!", "?!"},         // outside the BMP
      {"a\x80z", "a?z"},                   // stray continuation byte
      {"a\xE2\x82", "a?"},                 // cut short at the end
  };
  for (const auto& c : cases) EXPECT_EQ(ToWindows1252(c.utf8), c.ansi) << c.utf8;
}

}  // namespace
}  // namespace kelvatrix::biff

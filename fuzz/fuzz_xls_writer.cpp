// The worksheet writer fed arbitrary field texts and values (any ODBC client may have
// written them): the file it writes is a stream of whole BIFF records, BOF first and EOF
// last, that reads back cell by cell as what it was given.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/biff_records.h"
#include "export/grid_xls_writer.h"
#include "fake_grid.h"
#include "fuzz_input.h"
#include "platform/scripted_dialogs.h"

namespace {

using kelvatrix::FieldType;
using kelvatrix::test::Value;

struct Record {
  std::uint16_t type = 0;
  std::vector<std::uint8_t> body;
  std::uint16_t Word(std::size_t at) const {
    return static_cast<std::uint16_t>(body[at] | body[at + 1] << 8);
  }
};

std::vector<Record> ReadRecords(const std::vector<std::uint8_t>& file) {
  std::vector<Record> records;
  std::size_t at = 0;
  while (at < file.size()) {
    FUZZ_REQUIRE(at + 4 <= file.size());
    Record record;
    record.type = static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
    const std::size_t length = static_cast<std::size_t>(file[at + 2] | file[at + 3] << 8);
    FUZZ_REQUIRE(at + 4 + length <= file.size());
    record.body.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       file.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
    records.push_back(std::move(record));
    at += 4 + length;
  }
  return records;
}

const FieldType kKinds[] = {FieldType::Integer, FieldType::LargeInt, FieldType::Float,
                            FieldType::String,  FieldType::Memo,     FieldType::Bytes,
                            FieldType::SmallInt};

// The kinds written as RK (or NUMBER); a large integer goes out as its text.
bool IntegerKind(FieldType type) {
  return type == FieldType::Integer || type == FieldType::SmallInt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvatrix::fuzz::Input input(data, size);
  kelvatrix::test::FakeGrid grid;
  const int fields = 1 + input.Byte() % 6;
  std::vector<FieldType> kinds;
  std::vector<bool> hidden;  // a title holding "*****" hides its field's values
  int pipes = 0;
  for (int f = 0; f < fields; ++f) {
    kinds.push_back(kKinds[input.Byte() % std::size(kKinds)]);
    const std::string name = "f" + std::to_string(f);
    grid.data.AddField(name, kinds.back());
    std::string caption = input.Text(20);
    hidden.push_back(caption.find("*****") != std::string::npos);
    int count = 0;
    for (const char c : caption) count += c == '|';
    pipes = std::max(pipes, count);
    grid.AddColumn(name, caption);
  }
  const int records = input.Byte() % 40;
  std::vector<std::vector<Value>> values;
  for (int r = 0; r < records; ++r) {
    std::vector<Value> row;
    for (const FieldType kind : kinds) {
      if (input.Byte() % 5 == 0) {
        row.emplace_back();
      } else if (IntegerKind(kind)) {
        std::int64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | input.Byte();
        row.emplace_back(v);
      } else if (kind == FieldType::Float) {
        row.emplace_back(input.Double());
      } else if (kind == FieldType::LargeInt) {
        std::int64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | input.Byte();
        row.emplace_back(std::to_string(v));
      } else if (kind == FieldType::Bytes) {
        const std::string bytes = input.Text(16);
        row.emplace_back(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      } else {
        row.emplace_back(input.Text(255));
      }
    }
    grid.data.AddRecord(row);
    values.push_back(row);
  }

  const std::string file = "/tmp/kelvatrix-fuzz-xls-" + std::to_string(getpid()) + ".xls";
  unlink(file.c_str());
  kelvatrix::ScriptedDialogs dialogs;
  kelvatrix::NoExportFeedback feedback;
  kelvatrix::GridXlsWriter writer(dialogs, feedback);
  writer.SetDataGrid(&grid);
  writer.SetShowProgress(false);
  writer.SetFileName(file);
  const kelvatrix::XlsExportResult result = writer.ExportFile();
  if (records == 0) {
    FUZZ_REQUIRE(result.outcome == kelvatrix::XlsExportResult::Outcome::NothingToWrite);
    return 0;
  }
  if (result.outcome != kelvatrix::XlsExportResult::Outcome::Written)
    std::fprintf(stderr, "export: %s\n", result.error.c_str());
  FUZZ_REQUIRE(result.outcome == kelvatrix::XlsExportResult::Outcome::Written);
  FUZZ_REQUIRE(result.records == records);
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  unlink(file.c_str());

  const std::vector<Record> sheet = ReadRecords(bytes);
  FUZZ_REQUIRE(sheet.size() >= 2 && sheet.front().type == kelvatrix::biff::kBof &&
               sheet.back().type == kelvatrix::biff::kEof);
  const int headerRows = 1 + pipes;
  // BOF, the title, the header cells, then a cell per field and record, then EOF.
  const std::size_t firstData = 2 + static_cast<std::size_t>(headerRows * fields);
  FUZZ_REQUIRE(sheet.size() == firstData + static_cast<std::size_t>(records * fields) + 1);
  for (int r = 0; r < records; ++r) {
    for (int f = 0; f < fields; ++f) {
      const Record& cell = sheet[firstData + static_cast<std::size_t>(r * fields + f)];
      FUZZ_REQUIRE(cell.body.size() >= 6);
      FUZZ_REQUIRE(cell.Word(0) == headerRows + 1 + r && cell.Word(2) == f);
      const Value& value = values[static_cast<std::size_t>(r)][static_cast<std::size_t>(f)];
      const FieldType kind = kinds[static_cast<std::size_t>(f)];
      if (std::holds_alternative<std::monostate>(value) || hidden[static_cast<std::size_t>(f)]) {
        FUZZ_REQUIRE(cell.type == kelvatrix::biff::kBlank && cell.body.size() == 6);
      } else if (IntegerKind(kind)) {
        const std::int64_t v = std::get<std::int64_t>(value);
        if (kelvatrix::biff::FitsRk(v)) {
          FUZZ_REQUIRE(cell.type == kelvatrix::biff::kRk && cell.body.size() == 10);
          std::int32_t rk;
          std::memcpy(&rk, cell.body.data() + 6, 4);
          FUZZ_REQUIRE((rk & 3) == 2 && (rk >> 2) == v);
        } else {
          FUZZ_REQUIRE(cell.type == kelvatrix::biff::kNumber && cell.body.size() == 14);
          double d;
          std::memcpy(&d, cell.body.data() + 6, 8);
          FUZZ_REQUIRE(d == static_cast<double>(v));
        }
      } else if (kind == FieldType::Float) {
        FUZZ_REQUIRE(cell.type == kelvatrix::biff::kNumber && cell.body.size() == 14);
        const double expected = std::get<double>(value);
        FUZZ_REQUIRE(std::memcmp(cell.body.data() + 6, &expected, 8) == 0);
      } else {
        FUZZ_REQUIRE(cell.type == kelvatrix::biff::kLabel && cell.body.size() >= 8);
        const std::size_t length = cell.Word(6);
        FUZZ_REQUIRE(cell.body.size() == 8 + length);
        const std::string text(cell.body.begin() + 8, cell.body.end());
        if (kind == FieldType::Memo) {
          FUZZ_REQUIRE(text.empty());
        } else if (kind == FieldType::Bytes) {
          FUZZ_REQUIRE(text.size() == 2 * std::get<std::vector<std::uint8_t>>(value).size());
        } else {
          FUZZ_REQUIRE(text == kelvatrix::biff::ToWindows1252(std::get<std::string>(value)));
        }
      }
    }
  }
  return 0;
}

// The texts of savedata as any ODBC client may have written them, read by the run's
// insulation indices as the report and --batch do: never a crash or an exception, a figure
// that is a number is a finite one, one that is not says why.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "export/insulation_indices.h"
#include "export/number_text.h"
#include "fuzz_input.h"

namespace {

void Check(const kelvatrix::Figure& figure) {
  if (figure.value) {
    FUZZ_REQUIRE(std::isfinite(*figure.value));
  } else {
    FUZZ_REQUIRE(!figure.unavailable.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvatrix::fuzz::Input input(data, size);
  std::vector<kelvatrix::RunRow> rows;
  while (!input.Empty() && rows.size() < 2000) {
    kelvatrix::RunRow row;
    row.times = input.Text(12);
    row.voltage = input.Text(24);
    row.resistance = input.Text(400);  // past a double's 309 digits
    row.unit = input.Byte() % 2 ? "M ohm" : input.Byte() % 2 ? "G ohm" : input.Text(8);
    rows.push_back(row);
  }
  const kelvatrix::InsulationIndices indices = kelvatrix::ComputeIndices(rows);
  for (const kelvatrix::Figure* figure : {&indices.testVoltage, &indices.r15, &indices.r30,
                                          &indices.r60, &indices.r600, &indices.dar, &indices.pi})
    Check(*figure);
  const std::string line = kelvatrix::DescribeIndices(indices);
  FUZZ_REQUIRE(!line.empty());
  // A number text reads the same whatever it is next to.
  for (const kelvatrix::RunRow& row : rows) {
    const auto value = kelvatrix::ParseDecimal(row.resistance);
    if (value) FUZZ_REQUIRE(std::isfinite(*value) && *value >= 0);
  }
  return 0;
}

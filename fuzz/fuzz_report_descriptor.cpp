// A HID report descriptor as any device may send it (any device can claim the meter's
// vendor and product ID): parsed or refused with where it went wrong, never read past,
// and the same answer every time.
#include <cstdint>

#include "fuzz_input.h"
#include "hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kelvatrix::ReportDescriptorResult first = kelvatrix::ParseReportDescriptor(data, size);
  const kelvatrix::ReportDescriptorResult again = kelvatrix::ParseReportDescriptor(data, size);
  FUZZ_REQUIRE(first.ok == again.ok && first.error == again.error);
  FUZZ_REQUIRE(first.ok || !first.error.empty());
  if (first.ok) {
    FUZZ_REQUIRE(first.info.caps.InputReportByteLength == again.info.caps.InputReportByteLength);
    FUZZ_REQUIRE(first.info.caps.OutputReportByteLength == again.info.caps.OutputReportByteLength);
  }
  return 0;
}

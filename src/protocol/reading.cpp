#include "protocol/reading.h"

#include <charconv>

namespace kelvatrix {

Reading DecodeReading(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  Reading reading;
  reading.runStart = (b0 & 0x80) != 0;
  reading.voltage = ((b0 & 0x0F) * 256 + b1) * 10;
  const std::uint16_t word = static_cast<std::uint16_t>(b2 * 256 + b3);
  reading.resistanceWord = word;
  reading.value = static_cast<double>(word & 0x03FF);
  switch ((word & 0x6000) >> 13) {
    case 1: reading.value /= 10.0; break;
    case 2: reading.value /= 100.0; break;
    case 3: reading.value /= 1000.0; break;
    default: break;
  }
  reading.overRange = (word & 0x1000) != 0;
  reading.gigaOhm = (word & 0x8000) != 0;
  return reading;
}

std::string FormatGeneral(double value) {
  char buffer[64];
  // to_chars ignores the locale.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

}  // namespace kelvatrix

#pragma once
// One four-byte reading of the meter and its text forms.
//
//   byte 0: bit 7 run start, bits 0-3 voltage high bits   byte 1: voltage low bits
//   bytes 2-3: resistance word, high byte first:
//     bits 0-9 mantissa, bit 12 over-range, bits 13-14 decimal code (divide by 1, 10,
//     100, 1000), bit 15 G ohm (else M ohm)

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvatrix {

inline constexpr std::uint8_t kEndMarker = 0xFF;
inline constexpr std::int32_t kReadingBytes = 4;

struct Reading {
  bool runStart = false;
  std::int32_t voltage = 0;        // volts, 0 to 40950 in steps of 10
  std::uint16_t resistanceWord = 0;
  double value = 0;                // in the reading's own unit, from the mantissa
  bool overRange = false;          // no resistance value: the text is "----"
  bool gigaOhm = false;

  const char* Unit() const { return gigaOhm ? "G ohm" : "M ohm"; }
  // The value in M ohm, as the resistance chart and its axis take it.
  double MegaOhm() const { return gigaOhm ? value * 1000 : value; }
};

Reading DecodeReading(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);

// The general number format: the shortest text of at most 15 significant digits, no
// thousands separators, a point before the decimals ("29.1", "1.023", "5000"). The table's
// texts are read by the grid, the worksheet, the report, the indices and any other ODBC
// client, so they are the same whatever the user's locale.
std::string FormatGeneral(double value);

}  // namespace kelvatrix

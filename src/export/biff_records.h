#pragma once
// The records of a bare BIFF worksheet stream, one function each: BOF, LABEL, NUMBER, RK,
// BLANK and EOF. Every number is little-endian; every record is its type, its body length
// and its body. Each record goes out as its fixed part in one write and its payload (text,
// double or RK value) in a second. Standard library only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvatrix::biff {

inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kEof = 0x000A;

// The longest text a LABEL holds: its 16-bit body length counts 8 bytes besides the text.
inline constexpr std::size_t kMaxLabelBytes = 0xFFFF - 8;
// The integers an RK value holds: 30 bits, signed.
inline constexpr std::int64_t kRkMin = -536870912;
inline constexpr std::int64_t kRkMax = 536870911;

// Where the records go; false once a write has failed.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
};

bool WriteBof(ByteSink& out);
// `text` is already in the sheet's 8-bit code page; longer texts are cut to kMaxLabelBytes.
bool WriteLabel(ByteSink& out, std::uint16_t row, std::uint16_t column, std::string_view text);
bool WriteNumber(ByteSink& out, std::uint16_t row, std::uint16_t column, double value);
// `value` must lie within kRkMin..kRkMax (FitsRk).
bool WriteRk(ByteSink& out, std::uint16_t row, std::uint16_t column, std::int32_t value);
bool WriteBlank(ByteSink& out, std::uint16_t row, std::uint16_t column);
bool WriteEof(ByteSink& out);

constexpr bool FitsRk(std::int64_t value) { return value >= kRkMin && value <= kRkMax; }

// UTF-8 text in Windows-1252, the code page spreadsheet programs assume for a sheet
// without a code-page record. A character it cannot hold, or a malformed byte, becomes "?".
std::string ToWindows1252(std::string_view utf8);

}  // namespace kelvatrix::biff

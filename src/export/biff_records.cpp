#include "export/biff_records.h"

#include <array>
#include <cstring>

namespace kelvatrix::biff {
namespace {

// Fixed parts are assembled byte by byte, so the file is little-endian on every host.
class Bytes {
 public:
  Bytes& Word(std::uint16_t value) {
    data_[size_++] = static_cast<std::uint8_t>(value & 0xFF);
    data_[size_++] = static_cast<std::uint8_t>(value >> 8);
    return *this;
  }
  Bytes& Dword(std::uint32_t value) {
    return Word(static_cast<std::uint16_t>(value)).Word(static_cast<std::uint16_t>(value >> 16));
  }
  bool SendTo(ByteSink& out) const { return out.Write(data_.data(), size_); }

 private:
  std::array<std::uint8_t, 16> data_{};
  std::size_t size_ = 0;
};

constexpr std::uint16_t kGeneralFormat = 0x0000;
constexpr std::uint16_t kBlankFormat = 0x0017;

Bytes CellHead(std::uint16_t type, std::uint16_t bodyLength, std::uint16_t row,
               std::uint16_t column, std::uint16_t format) {
  Bytes head;
  head.Word(type).Word(bodyLength).Word(row).Word(column).Word(format);
  return head;
}

// Windows-1252's characters 0x80 to 0x9F; zero where the code page has none.
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char Windows1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] != 0 && kHigh[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

bool WriteBof(ByteSink& out) {
  Bytes bof;
  bof.Word(kBof).Word(8).Word(0x0000).Word(0x0010).Word(0x0000).Word(0x0000);
  return bof.SendTo(out);
}

bool WriteLabel(ByteSink& out, std::uint16_t row, std::uint16_t column, std::string_view text) {
  const std::size_t length = std::min(text.size(), kMaxLabelBytes);
  Bytes head =
      CellHead(kLabel, static_cast<std::uint16_t>(8 + length), row, column, kGeneralFormat);
  head.Word(static_cast<std::uint16_t>(length));
  return head.SendTo(out) && (length == 0 || out.Write(text.data(), length));
}

bool WriteNumber(ByteSink& out, std::uint16_t row, std::uint16_t column, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Bytes payload;
  payload.Dword(static_cast<std::uint32_t>(bits)).Dword(static_cast<std::uint32_t>(bits >> 32));
  return CellHead(kNumber, 14, row, column, kGeneralFormat).SendTo(out) && payload.SendTo(out);
}

bool WriteRk(ByteSink& out, std::uint16_t row, std::uint16_t column, std::int32_t value) {
  // Shifted up two bits; bit 1 marks an integer, bit 0 clear: not scaled by 100.
  const std::uint32_t rk = (static_cast<std::uint32_t>(value) << 2) | 0x2u;
  Bytes payload;
  payload.Dword(rk);
  return CellHead(kRk, 10, row, column, kGeneralFormat).SendTo(out) && payload.SendTo(out);
}

bool WriteBlank(ByteSink& out, std::uint16_t row, std::uint16_t column) {
  return CellHead(kBlank, 6, row, column, kBlankFormat).SendTo(out);
}

bool WriteEof(ByteSink& out) {
  Bytes eof;
  eof.Word(kEof).Word(0);
  return eof.SendTo(out);
}

std::string ToWindows1252(std::string_view utf8) {
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07;
    } else {
      text += '?';  // a stray continuation byte or an impossible lead
      ++i;
      continue;
    }
    std::size_t taken = 1;
    for (; taken <= extra && i + taken < utf8.size(); ++taken) {
      const auto next = static_cast<unsigned char>(utf8[i + taken]);
      if ((next & 0xC0) != 0x80) break;
      code = (code << 6) | (next & 0x3F);
    }
    if (taken <= extra) {  // cut short
      text += '?';
      i += taken;
      continue;
    }
    text += Windows1252(code);
    i += taken;
  }
  return text;
}

}  // namespace kelvatrix::biff

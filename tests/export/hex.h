#pragma once
// Bytes as "09 08 08 00 ..." and back, for comparing records and files.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kelvatrix::test {

inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (const std::uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, "%02X ", b);
    text += byte;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

inline std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

}  // namespace kelvatrix::test

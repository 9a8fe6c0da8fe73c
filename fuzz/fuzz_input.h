#pragma once
// Takes a fuzzer's bytes apart into the pieces a harness needs, never reading past them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace kelvatrix::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Number(std::uint32_t below) {
    return below == 0 ? 0 : (Byte() | Byte() << 8) % below;
  }
  // Up to `most` bytes, as many as the next byte says (the next two, when `most` is more
  // than 255).
  std::string Text(std::size_t most) {
    const std::size_t said = most > 255 ? Byte() | Byte() << 8 : Byte();
    const std::size_t length = std::min(said, most);
    const std::size_t take = std::min(length, size_ - std::min(at_, size_));
    std::string text(reinterpret_cast<const char*>(data_ + at_), take);
    at_ += take;
    return text;
  }
  // The bytes up to the next `separator` (or the end).
  std::string Until(char separator) {
    std::string text;
    while (at_ < size_ && data_[at_] != static_cast<std::uint8_t>(separator))
      text += static_cast<char>(data_[at_++]);
    if (at_ < size_) ++at_;
    return text;
  }
  double Double() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Stops the harness with a message when a property the program promises does not hold:
// libFuzzer keeps the input that did it.
#define FUZZ_REQUIRE(condition)                                                                    \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                                \
    }                                                                                              \
  } while (false)

}  // namespace kelvatrix::fuzz

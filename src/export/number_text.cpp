#include "export/number_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace kelvatrix {

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty() || text == "." ||
      text.find_first_not_of("0123456789.") != std::string_view::npos ||
      text.find('.') != text.rfind('.')) {
    return std::nullopt;
  }
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string FixedText(double value, int decimals) {
  char text[400];  // the longest double in fixed notation has 309 digits before the point
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return error == std::errc() ? std::string(text, end) : std::string("?");
}

}  // namespace kelvatrix

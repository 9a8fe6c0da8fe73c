#pragma once
// Number texts of the report and of the table's fields, read and written the same way
// whatever the user's locale: a point before the decimals, never a comma, and no
// exceptions for texts that are too long or out of range.

#include <optional>
#include <string>
#include <string_view>

namespace kelvatrix {

// Digits with at most one decimal point ("3", "3.05", ".5"); nothing else, no sign, no
// exponent. Nothing for any other text or a value beyond a double's range.
std::optional<double> ParseDecimal(std::string_view text);

// `value` with exactly `decimals` decimals ("3.050").
std::string FixedText(double value, int decimals);

}  // namespace kelvatrix

#pragma once
// The six fields of the table savedata: their names, kinds and declared sizes (the sizes
// give the grid its default column widths).

#include <array>
#include <string_view>

namespace kelvatrix {

struct TableField {
  enum class Kind { Integer, Text };
  std::string_view name;
  Kind kind;
  // Characters reserved for the field's text: the declared size of a text field.
  int displayWidth;
};

inline constexpr int kFieldCount = 6;
inline constexpr std::array<TableField, kFieldCount> kTableFields = {{
    {"recno", TableField::Kind::Integer, 11},
    {"times", TableField::Kind::Text, 10},
    {"voltage", TableField::Kind::Text, 10},
    {"unitv", TableField::Kind::Text, 5},
    {"register", TableField::Kind::Text, 16},
    {"unitr", TableField::Kind::Text, 10},
}};

// The position of `field` in kTableFields, or -1.
constexpr int FieldIndex(std::string_view field) {
  for (int i = 0; i < kFieldCount; ++i) {
    if (kTableFields[static_cast<std::size_t>(i)].name == field) return i;
  }
  return -1;
}

}  // namespace kelvatrix

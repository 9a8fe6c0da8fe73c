#pragma once
// Edits the text of an ini file (the format of unixODBC's odbc.ini) the way a person
// would: only the named section's keys change; every other line, comments and layout
// included, stays byte for byte.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvatrix {

using IniEntries = std::vector<std::pair<std::string, std::string>>;

// Returns `text` with each key of `entries` set in the first section called `section`
// (names compared without regard to case). A key that is there is rewritten in place,
// further copies of it in that section are dropped, missing keys follow the section's
// last entry, and a missing section is appended at the end. Keys and values must not
// hold line breaks (see IniCanHold).
std::string SetIniSection(std::string_view text, std::string_view section,
                          const IniEntries& entries);

// Whether `value` survives a write and a read back: no line break, no NUL, and no
// white space at either end, which ini readers trim.
bool IniCanHold(std::string_view value);

}  // namespace kelvatrix

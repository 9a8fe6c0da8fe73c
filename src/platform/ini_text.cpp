#include "platform/ini_text.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace kelvatrix {
namespace {

struct Line {
  std::string_view body;  // without its line ending
  std::string_view end;   // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    std::string_view line = nl == std::string_view::npos ? text : text.substr(0, nl + 1);
    text.remove_prefix(line.size());
    std::string_view end;
    if (line.ends_with("\r\n")) {
      end = line.substr(line.size() - 2);
    } else if (line.ends_with('\n')) {
      end = line.substr(line.size() - 1);
    }
    lines.push_back({line.substr(0, line.size() - end.size()), end});
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (!line.starts_with('[')) return std::nullopt;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// The key of an entry line "key = value", or nothing for comments and other lines.
std::optional<std::string_view> EntryKey(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return std::nullopt;
  const auto eq = trimmed.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(0, eq));
}

// Ends the text's last line: a line that ends in a lone carriage return gets the line
// feed that makes it a CR LF, any other the file's line ending.
void EndLastLine(std::string& out, const std::string& eol) {
  if (out.empty() || out.ends_with('\n')) return;
  out += out.ends_with('\r') ? std::string("\n") : eol;
}

}  // namespace

bool IniCanHold(std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  return Trim(value).size() == value.size();
}

std::string SetIniSection(std::string_view text, std::string_view section,
                          const IniEntries& entries) {
  const std::vector<Line> lines = SplitLines(text);
  // A last line ending in a lone CR is a CR LF once it is ended: the file is then of CR LF
  // lines, and the next edit writes the same as this one.
  const std::string eol =
      text.find("\r\n") != std::string_view::npos || text.ends_with('\r') ? "\r\n" : "\n";
  const auto entryLine = [&](const std::pair<std::string, std::string>& entry) {
    return entry.first + "=" + entry.second + eol;
  };

  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionName(lines[i].body); name && SameName(*name, section)) {
      header = i;
      break;
    }
  }

  std::string out;
  out.reserve(text.size() + 256);
  if (header == lines.size()) {
    out.assign(text);
    EndLastLine(out, eol);
    if (!lines.empty() && !Trim(lines.back().body).empty()) out += eol;
    out += "[" + std::string(section) + "]" + eol;
    for (const auto& entry : entries) out += entryLine(entry);
    return out;
  }

  std::size_t bodyEnd = header + 1;
  while (bodyEnd < lines.size() && !SectionName(lines[bodyEnd].body)) ++bodyEnd;
  std::size_t lastEntry = header;  // missing keys go after this line
  for (std::size_t i = header + 1; i < bodyEnd; ++i) {
    if (!Trim(lines[i].body).empty()) lastEntry = i;
  }

  std::vector<bool> written(entries.size(), false);
  const auto indexOf = [&](std::string_view key) -> std::optional<std::size_t> {
    for (std::size_t e = 0; e < entries.size(); ++e) {
      if (SameName(entries[e].first, key)) return e;
    }
    return std::nullopt;
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    std::optional<std::size_t> ours;
    if (i > header && i < bodyEnd) {
      if (auto key = EntryKey(line.body)) ours = indexOf(*key);
    }
    if (ours) {
      if (!written[*ours]) out += entryLine(entries[*ours]);
      written[*ours] = true;
    } else {
      out.append(line.body).append(line.end);
    }
    if (i == lastEntry) {
      EndLastLine(out, eol);
      for (std::size_t e = 0; e < entries.size(); ++e) {
        if (written[e]) continue;
        // A key that appears later in the section is rewritten there instead.
        bool later = false;
        for (std::size_t j = i + 1; j < bodyEnd && !later; ++j) {
          auto key = EntryKey(lines[j].body);
          later = key && SameName(*key, entries[e].first);
        }
        if (!later) {
          out += entryLine(entries[e]);
          written[e] = true;
        }
      }
    }
  }
  return out;
}

}  // namespace kelvatrix

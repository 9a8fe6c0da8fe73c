// The user's odbc.ini, which other programs and the user write too, edited by the
// program's own ini editor: after setting a section's entries, every line outside that
// section and every line of it the edit does not own is still there, byte for byte and
// in order, and the section holds the entries.
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "platform/ini_text.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t nl = text.find('\n', start);
    const std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "[name]" on a line of its own (spaces allowed): the name, else nothing.
bool Header(const std::string& line, std::string& name) {
  const std::string t = Trimmed(line);
  if (t.empty() || t.front() != '[') return false;
  const std::size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trimmed(std::string_view(t).substr(1, close - 1));
  return true;
}

// The key of "key = value" (not a comment), lower-cased, or empty.
std::string Key(const std::string& line) {
  const std::string t = Trimmed(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return {};
  const std::size_t eq = t.find('=');
  return eq == std::string::npos ? std::string()
                                 : Lower(Trimmed(std::string_view(t).substr(0, eq)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvatrix::fuzz::Input input(data, size);
  const std::string section = input.Until('\0');
  kelvatrix::IniEntries entries;
  for (int i = input.Byte() % 6; i > 0; --i) {
    std::string key = input.Text(12);
    std::string value = input.Text(40);
    // What the program passes: keys and values an ini file can hold, keys without '=' that
    // are not comments or headers.
    const bool keyFits = kelvatrix::IniCanHold(key) && !key.empty() &&
                         key.find('=') == std::string::npos && key.find_first_of(";#[") != 0;
    // The program sets each key once.
    bool again = false;
    for (const auto& entry : entries) again = again || Lower(entry.first) == Lower(key);
    if (keyFits && !again && kelvatrix::IniCanHold(value)) entries.emplace_back(key, value);
  }
  std::string text;
  while (!input.Empty()) text += static_cast<char>(input.Byte());
  if (!kelvatrix::IniCanHold(section) || section.empty() || section.find(']') != std::string::npos)
    return 0;

  const std::string out = kelvatrix::SetIniSection(text, section, entries);

  // The lines the edit may change: the first section of that name's entries with our keys.
  std::vector<std::string> keys;
  for (const auto& [key, value] : entries) keys.push_back(Lower(key));
  const auto ours = [&](const std::string& line) {
    const std::string key = Key(line);
    for (const std::string& k : keys) {
      if (!key.empty() && key == k) return true;
    }
    return false;
  };
  std::vector<std::string> kept;
  bool inside = false;
  bool seen = false;
  for (const std::string& line : Lines(text)) {
    std::string name;
    if (Header(line, name)) {
      inside = !seen && Lower(name) == Lower(section);
      seen = seen || inside;
    } else if (inside && ours(line)) {
      continue;
    }
    kept.push_back(line);
  }
  // In order, each line as it was; the last may have gained its line ending.
  const std::vector<std::string> written = Lines(out);
  std::size_t at = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::string& line = kept[i];
    const bool last = i + 1 == kept.size() && !line.empty() && line.back() != '\n';
    while (at < written.size() &&
           !(written[at] == line || (last && written[at].rfind(line, 0) == 0)))
      ++at;
    FUZZ_REQUIRE(at < written.size());
    ++at;
  }
  // The section is there with every entry, each once.
  const std::string again = kelvatrix::SetIniSection(out, section, entries);
  FUZZ_REQUIRE(again == out);
  return 0;
}

// Fuzzes the command-line parser: every item ParamStr returns for a line must be the
// one a plain reading of its rules gives, and the items must end.
#include "sysutils.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

// The rules, read straight: between items, separators (bytes 1..32) and empty quote
// pairs are skipped; an item runs to the next separator outside quotes, each quote
// switching quoting on or off and not kept; the first empty item ends the list.
std::vector<std::string> Items(const std::string& line) {
  std::vector<std::string> items;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (IsSeparator(line[i]) || line.compare(i, 2, "\"\"") == 0))
      i += IsSeparator(line[i]) ? 1 : 2;
    std::string item;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsSeparator(line[i])); ++i) {
      if (line[i] == '"')
        quoted = !quoted;
      else
        item += line[i];
    }
    if (item.empty()) return items;
    items.push_back(item);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parser sees a C string: the line ends at the first NUL.
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string text = line.substr(0, line.find('\0'));
  const std::vector<std::string> expected = Items(text);

  // Each item takes at least one byte, so index text.size() must be past the end.
  std::size_t index = 0;
  std::size_t taken = 0;
  for (; index <= text.size(); ++index) {
    const std::string item = classlib::ParamStr(text.c_str(), static_cast<int>(index));
    if (item.empty()) break;
    if (item.find('"') != std::string::npos) __builtin_trap();
    if (item.find('\0') != std::string::npos) __builtin_trap();
    taken += item.size();
    if (taken > text.size()) __builtin_trap();
    if (index >= expected.size() || item != expected[index]) __builtin_trap();
  }
  if (index > text.size() || index != expected.size()) __builtin_trap();
  // Past the first empty item every item is empty.
  for (std::size_t later = index + 1; later <= index + 2; ++later)
    if (!classlib::ParamStr(text.c_str(), static_cast<int>(later)).empty()) __builtin_trap();
  return 0;
}

#include "sysutils.h"

#include "os.h"

#include <charconv>

namespace classlib {

std::string IntToStr(long long value) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

int StrToInt(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) throw EConvertError("'" + text + "' is not a valid integer value");
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9' || value > 0x80000000LL)
      throw EConvertError("'" + text + "' is not a valid integer value");
    value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL || value < -0x80000000LL)
    throw EConvertError("'" + text + "' is not a valid integer value");
  return static_cast<int>(value);
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

namespace {

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

// Reads one item starting at `p`: skips separators and empty quote pairs before it,
// then joins quoted and unquoted stretches up to the next separator outside quotes.
// Items are kept whole however long: cutting one short could turn it into something
// it is not, and a long program path has to be passed over whole to find what follows.
const char* NextItem(const char* p, std::string& item) {
  for (;;) {
    while (IsSeparator(*p)) ++p;
    if (p[0] == '"' && p[1] == '"')
      p += 2;
    else
      break;
  }
  item.clear();
  while (*p != '\0' && !IsSeparator(*p)) {
    if (*p == '"') {
      ++p;
      while (*p != '\0' && *p != '"') item += *p++;
      if (*p != '\0') ++p;
    } else {
      item += *p++;
    }
  }
  return p;
}

} // namespace

std::string ParamStr(const char* commandLine, int index) {
  std::string item;
  const char* p = commandLine;
  for (;;) {
    p = NextItem(p, item);
    if (index == 0 || item.empty()) return item;
    --index;
  }
}

std::string ParamStr(int index) {
  return ParamStr(os::GetCommandLineA(), index);
}

} // namespace classlib

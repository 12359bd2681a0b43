// Fuzzes how the program finds its own folder: the result is the path up to and
// including its last backslash byte, or empty when it has none.
#include "form1.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TForm1 form(nullptr);
  const std::string path(reinterpret_cast<const char*>(data), size);
  const std::string directory = form.GetExeDirectory(path);

  if (directory.size() > path.size() || path.compare(0, directory.size(), directory) != 0)
    __builtin_trap();
  if (!directory.empty() && directory.back() != '\\') __builtin_trap();
  if (path.find('\\', directory.size()) != std::string::npos) __builtin_trap();
  return 0;
}

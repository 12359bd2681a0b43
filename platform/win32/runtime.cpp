// The standard library's own failure paths, replaced: they would bring in its message
// and name-demangling machinery, which is larger than the whole program. A failure
// inside a container becomes one of the library's exceptions, which the standard
// exception display shows; a terminate ends the process at once.
#include "sysutils.h"

#include <cstdlib>

namespace std {

[[noreturn]] void __throw_bad_alloc() {
  throw classlib::EOutOfMemory("Out of memory");
}
[[noreturn]] void __throw_bad_array_new_length() {
  throw classlib::EOutOfMemory("Out of memory");
}
[[noreturn]] void __throw_length_error(const char*) {
  throw classlib::EOutOfMemory("Out of memory");
}
[[noreturn]] void __throw_logic_error(const char* what) {
  throw classlib::Exception(what);
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
  throw classlib::Exception("Index out of range");
}
[[noreturn]] void __throw_bad_function_call() {
  throw classlib::Exception("Handler not assigned");
}

} // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

} // namespace __gnu_cxx

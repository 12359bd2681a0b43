// Data embedded in the program file.
#pragma once

#include <string>
#include <string_view>

namespace classlib {

// The bytes of the RCDATA resource `name`; raises EResNotFound when it is missing.
std::string_view ResourceBytes(const std::string& name);

} // namespace classlib

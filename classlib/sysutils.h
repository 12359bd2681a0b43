// Exceptions and the small string routines the program and the library share.
#pragma once

#include <exception>
#include <string>

namespace classlib {

// Base of every failure the library reports to the user; its message is what the
// standard exception display shows.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

class EOutOfMemory : public Exception {
  using Exception::Exception;
};

// A form description that cannot be read.
class EReadError : public Exception {
  using Exception::Exception;
};

// A resource missing from the program file.
class EResNotFound : public Exception {
  using Exception::Exception;
};

class EConvertError : public Exception {
  using Exception::Exception;
};

std::string IntToStr(long long value);
// Decimal integer with an optional sign; anything else raises EConvertError.
int StrToInt(const std::string& text);
// ASCII letters a-z to upper case; every other byte unchanged.
std::string UpperCase(std::string text);

// Argument `index` of the command line as the library's parameter parser splits it:
// 0 is the program path; past the last argument the result is empty.
std::string ParamStr(int index);
std::string ParamStr(const char* commandLine, int index);

} // namespace classlib

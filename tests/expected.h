// What several test files expect to see: the program's own messages, and a file's bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The tray icon component's failure as the standard display shows it, in Shift-JIS:
// "The icon cannot be registered in the task tray", with the display's full stop.
inline const char* const TrayRefusedMessage =
    "\x83\x5e\x83\x58\x83\x4e\x83\x67\x83\x8c\x83\x43\x82\xc9\x83\x41\x83\x43\x83\x52\x83\x93"
    "\x82\xf0\x93\x6f\x98\x5e\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42.";
inline const char* const NoPrivilegeMessage = "Don't gave the SE_SHUTDOWN_NAME privilege";

// The whole file as bytes; empty when there is none.
inline std::string FileContents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

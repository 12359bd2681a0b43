// The two options in the profile file beside the program.
#pragma once

#include <string>

// The full path of the settings file; set while the button window is created.
extern std::string IniFileName;

struct SettingKey {
  const char* section;
  const char* key;
  int whenMissing;
};

inline constexpr SettingKey StayOnTopSetting{"ExitButton", "StayOnTop", 0};
inline constexpr SettingKey TrayIconVisibleSetting{"TrayIcon", "Visible", 1};

// Any value other than 0 means on; a missing or unreadable file gives the default.
bool ReadSetting(const SettingKey& setting);
// Writes "1" or "0"; a file that cannot be written is not reported.
void WriteSetting(const SettingKey& setting, bool on);

#include "settingsfile.h"

#include "os.h"

std::string IniFileName;

bool ReadSetting(const SettingKey& setting) {
  return os::GetPrivateProfileIntA(setting.section, setting.key, setting.whenMissing,
                                   IniFileName.c_str()) != 0;
}

void WriteSetting(const SettingKey& setting, bool on) {
  os::WritePrivateProfileStringA(setting.section, setting.key, on ? "1" : "0", IniFileName.c_str());
}

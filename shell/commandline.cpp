#include "commandline.h"

#include "sysutils.h"

std::optional<SessionAction> CommandLineAction() {
  static constexpr struct {
    const char* text;
    SessionAction action;
  } switches[] = {
      {"/S", SessionAction::ShutDown},
      {"/R", SessionAction::Restart},
      {"/L", SessionAction::LogOff},
  };
  const std::string argument = classlib::UpperCase(classlib::ParamStr(1));
  for (const auto& entry : switches)
    if (argument == entry.text) return entry.action;
  return std::nullopt;
}

#include "resources.h"

#include "os.h"
#include "sysutils.h"

namespace classlib {

std::string_view ResourceBytes(const std::string& name) {
  const os::HINSTANCE module = os::GetModuleHandleA(nullptr);
  const os::HRSRC resource = os::FindResourceA(module, name.c_str(), os::RT_RCDATA);
  const os::HGLOBAL data =
      resource == os::HRSRC{} ? os::HGLOBAL{} : os::LoadResource(module, resource);
  const void* bytes = data == os::HGLOBAL{} ? nullptr : os::LockResource(data);
  if (!bytes) throw EResNotFound("Resource " + name + " not found");
  return {static_cast<const char*>(bytes), os::SizeofResource(module, resource)};
}

} // namespace classlib

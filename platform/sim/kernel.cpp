// Kernel, security, shell and run-time services of the simulated machine.
#include "embedded.h"
#include "state.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sim {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

const EmbeddedResource* FindEmbedded(const char* name, const char* type) {
  for (std::size_t i = 0; i < EmbeddedResourceCount; ++i)
    if (SameText(EmbeddedResources[i].name, name) &&
        std::strcmp(EmbeddedResources[i].type, type) == 0)
      return &EmbeddedResources[i];
  return nullptr;
}

std::string Quoted(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : "null";
}

bool Locked(const Machine& machine, const char* fileName) {
  const auto path = machine.HostPath(fileName);
  return std::any_of(machine.lockedFiles.begin(), machine.lockedFiles.end(),
                     [&](const std::string& locked) { return machine.HostPath(locked) == path; });
}

bool ReadOnly(const std::filesystem::path& path) {
  std::error_code missing;
  const auto permissions = std::filesystem::status(path, missing).permissions();
  return !missing && std::filesystem::exists(path) &&
         (permissions & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

// The name of a section or key: a NUL ends it, as it ends every string the system reads.
std::string Name(const std::string& text) {
  return Trim(text.substr(0, text.find('\0')));
}

// A profile file as lines; reading follows the system's rules for profile files. A
// file that starts with the UTF-16 byte order mark is read, and written back, as UTF-16.
struct Profile {
  std::vector<std::string> lines;
  bool utf16 = false;
  bool Load(const std::filesystem::path& path) {
    std::error_code unreadable;
    if (!std::filesystem::is_regular_file(path, unreadable)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    utf16 = text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE';
    if (utf16) {
      std::string narrow;
      for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
        const unsigned unit =
            static_cast<unsigned char>(text[i]) | static_cast<unsigned char>(text[i + 1]) << 8;
        narrow += unit < 0x100 ? static_cast<char>(unit) : '?';
      }
      text = narrow;
    }
    std::istringstream split(text);
    std::string line;
    while (std::getline(split, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return true;
  }
  bool Save(const std::filesystem::path& path) const {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (utf16) {
      out << "\xFF\xFE";
      for (char c : text) out << c << '\0';
    } else {
      out << text;
    }
    return static_cast<bool>(out);
  }
  static bool IsSection(const std::string& line, std::string* name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const auto close = t.find(']');
    if (close == std::string::npos) return false;
    *name = Name(t.substr(1, close - 1));
    return true;
  }
  struct Place {
    bool section = false;           // the section exists
    std::optional<std::size_t> key; // the line of the key in it
    std::size_t sectionEnd = 0;     // after the section's last non-blank line
  };
  Place Find(const std::string& section, const std::string& key) const {
    Place place;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string name;
      if (IsSection(lines[i], &name)) {
        if (inSection) break;
        inSection = SameText(name, section);
        if (inSection) {
          place.section = true;
          place.sectionEnd = i + 1;
        }
        continue;
      }
      if (!inSection) continue;
      if (!Trim(lines[i]).empty()) place.sectionEnd = i + 1;
      const auto eq = lines[i].find('=');
      if (eq != std::string::npos && SameText(Name(lines[i].substr(0, eq)), key)) {
        place.key = i;
        break;
      }
    }
    return place;
  }
};

} // namespace
} // namespace sim

namespace os {

using sim::Current;
using Held = std::unique_lock<std::mutex>;

HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, const char* name) {
  auto& s = Current();
  Held held(s.lock);
  char call[160];
  std::snprintf(call, sizeof call, "OpenMutexA(0x%X, %d, %s)", desiredAccess, inheritHandle,
                sim::Quoted(name).c_str());
  s.Log(call);
  auto m = s.mutexes.find(name);
  if (m == s.mutexes.end() || s.config.guardOpenRefused) return NoHandle;
  ++m->second.handles;
  const HANDLE handle{s.NewHandle()};
  s.handles[handle] = {sim::HandleRecord::Kind::Mutex, name};
  return handle;
}

HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, const char* name) {
  auto& s = Current();
  Held held(s.lock);
  char call[200];
  if (attributes)
    std::snprintf(call, sizeof call, "CreateMutexA({%u, %s, %d}, %d, %s)", attributes->nLength,
                  attributes->lpSecurityDescriptor ? "descriptor" : "null",
                  attributes->bInheritHandle, initialOwner, sim::Quoted(name).c_str());
  else
    std::snprintf(call, sizeof call, "CreateMutexA(null, %d, %s)", initialOwner,
                  sim::Quoted(name).c_str());
  s.Log(call);
  if (s.config.guardCreateFails) return NoHandle;
  sim::MutexRecord& m = s.mutexes[name];
  if (m.handles == 0) m.owned = initialOwner != FALSE;
  ++m.handles;
  const HANDLE handle{s.NewHandle()};
  s.handles[handle] = {sim::HandleRecord::Kind::Mutex, name};
  return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto& s = Current();
  Held held(s.lock);
  auto h = s.handles.find(mutex);
  if (h == s.handles.end() || h->second.kind != sim::HandleRecord::Kind::Mutex) return FALSE;
  s.Log("ReleaseMutex(" + h->second.name + ")");
  s.mutexes[h->second.name].owned = false;
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  auto& s = Current();
  Held held(s.lock);
  auto h = s.handles.find(object);
  if (h == s.handles.end()) return FALSE;
  if (h->second.kind == sim::HandleRecord::Kind::Mutex) {
    s.Log("CloseHandle(" + h->second.name + ")");
    if (--s.mutexes[h->second.name].handles == 0) s.mutexes.erase(h->second.name);
  } else {
    s.Log(h->second.kind == sim::HandleRecord::Kind::Token ? "CloseHandle(token)"
                                                           : "CloseHandle(thread)");
  }
  s.handles.erase(h);
  return TRUE;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  auto& s = Current();
  Held held(s.lock);
  s.Log("GetVersionExA(" + std::to_string(info->dwOSVersionInfoSize) + ")");
  if (s.config.versionQueryFails || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
    return FALSE;
  const bool nt = s.config.platformId == VER_PLATFORM_WIN32_NT;
  *info = {sizeof(OSVERSIONINFOA), nt ? 5u : 4u,        nt ? 0u : 10u,
           nt ? 2195u : 2222u,     s.config.platformId, {}};
  return TRUE;
}

HANDLE GetCurrentProcess() {
  return HANDLE{0xFFFFFFFFu};
}

HINSTANCE GetModuleHandleA(const char*) {
  return HINSTANCE{0x400000};
}

// A name that does not fit is cut to size - 1 characters and a terminator, and the
// result is `size`, as the NT family does it.
DWORD GetModuleFileNameA(HINSTANCE, char* buffer, DWORD size) {
  auto& s = Current();
  Held held(s.lock);
  if (size == 0) return 0;
  const std::string& path = s.config.modulePath;
  const DWORD length = std::min<DWORD>(static_cast<DWORD>(path.size()), size - 1);
  std::memcpy(buffer, path.data(), length);
  buffer[length] = '\0';
  return path.size() < size ? length : size;
}

const char* GetCommandLineA() {
  auto& s = Current();
  Held held(s.lock);
  return s.commandLine.c_str();
}

// Missing file, section or key give the default; so does an empty value. A value in
// matching quotes loses them. Then the integer rules: blanks, a sign, and decimal
// digits, or binary, octal or hexadecimal ones after 0b, 0o or 0x, wrapping round past
// 32 bits; reading stops at the first character that is no digit.
UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName) {
  auto& s = Current();
  Held held(s.lock);
  s.Log("GetPrivateProfileIntA(" + sim::Quoted(section) + ", " + sim::Quoted(key) + ", " +
        std::to_string(defaultValue) + ", " + sim::Quoted(fileName) + ")");
  sim::Profile profile;
  if (sim::Locked(s.config, fileName) || !profile.Load(s.config.HostPath(fileName)))
    return static_cast<UINT>(defaultValue);
  const auto place = profile.Find(section, key);
  if (!place.key) return static_cast<UINT>(defaultValue);
  const std::string& text = profile.lines[*place.key];
  std::string value = sim::Trim(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  if (value.empty()) return static_cast<UINT>(defaultValue);
  std::size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  unsigned base = 10;
  for (const auto& [prefix, radix] : {std::pair{"0b", 2u}, {"0o", 8u}, {"0x", 16u}})
    if (value.compare(i, 2, prefix) == 0) {
      base = radix;
      i += 2;
      break;
    }
  UINT n = 0;
  for (; i < value.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(value[i]));
    const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                  : 99;
    if (digit >= base) break;
    n = n * base + digit;
  }
  return negative ? 0u - n : n;
}

// Creates the file and the section on first write; a key is replaced in place or
// added at the end of its section.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  auto& s = Current();
  Held held(s.lock);
  s.Log("WritePrivateProfileStringA(" + sim::Quoted(section) + ", " + sim::Quoted(key) + ", " +
        sim::Quoted(value) + ", " + sim::Quoted(fileName) + ")");
  const std::filesystem::path path = s.config.HostPath(fileName);
  if (!std::filesystem::is_directory(path.parent_path()) || sim::Locked(s.config, fileName) ||
      sim::ReadOnly(path))
    return FALSE;
  sim::Profile profile;
  profile.Load(path);
  const auto place = profile.Find(section, key);
  const std::string entry = std::string(key) + "=" + value;
  if (place.key)
    profile.lines[*place.key] = entry;
  else if (place.section)
    profile.lines.insert(profile.lines.begin() + static_cast<long>(place.sectionEnd), entry);
  else {
    profile.lines.push_back("[" + std::string(section) + "]");
    profile.lines.push_back(entry);
  }
  return profile.Save(path) ? TRUE : FALSE;
}

void Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

HANDLE CreateThread(THREAD_START_ROUTINE start, void* parameter, DWORD* threadId) {
  auto& s = Current();
  Held held(s.lock);
  const HANDLE handle{s.NewHandle()};
  ++s.liveThreads;
  std::thread& thread = s.threads.emplace_back([&s, start, parameter] {
    start(parameter);
    Held ended(s.lock);
    --s.liveThreads;
    s.changed.notify_all();
  });
  s.handles[handle] = {sim::HandleRecord::Kind::Thread, {}, true, &thread};
  if (threadId) *threadId = static_cast<DWORD>(handle);
  return handle;
}

DWORD WaitForSingleObject(HANDLE object, DWORD) {
  auto& s = Current();
  Held held(s.lock);
  auto h = s.handles.find(object);
  if (h == s.handles.end() || !h->second.thread) return 0xFFFFFFFF;
  std::thread* thread = h->second.thread;
  held.unlock();
  if (thread->joinable() && thread->get_id() != std::this_thread::get_id()) thread->join();
  return 0;
}

HRSRC FindResourceA(HINSTANCE, const char* name, const char* type) {
  auto& s = Current();
  {
    Held held(s.lock);
    for (const std::string& missing : s.config.missingResources)
      if (sim::SameText(missing, name)) return HRSRC{};
  }
  if (type != RT_RCDATA) return HRSRC{};
  const sim::EmbeddedResource* r = sim::FindEmbedded(name, "RCDATA");
  return r ? HRSRC{static_cast<std::uint32_t>(r - sim::EmbeddedResources) + 1} : HRSRC{};
}

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) {
  return HGLOBAL{static_cast<std::uint32_t>(resource)};
}

const void* LockResource(HGLOBAL data) {
  const auto index = static_cast<std::uint32_t>(data);
  return index == 0 || index > sim::EmbeddedResourceCount ? nullptr
                                                          : sim::EmbeddedResources[index - 1].bytes;
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
  const auto index = static_cast<std::uint32_t>(resource);
  return index == 0 || index > sim::EmbeddedResourceCount
             ? 0
             : static_cast<DWORD>(sim::EmbeddedResources[index - 1].size);
}

HANDLE LoadImageA(HINSTANCE, const char* name, UINT type, int cx, int, UINT) {
  auto& s = Current();
  Held held(s.lock);
  if (type != IMAGE_ICON || !sim::FindEmbedded(name, "ICON")) return NoHandle;
  const HICON icon{s.NewHandle()};
  s.icons.insert(icon);
  s.iconNames[icon] = std::string(name) + "@" + std::to_string(cx);
  return static_cast<HANDLE>(icon);
}

BOOL DestroyIcon(HICON icon) {
  auto& s = Current();
  Held held(s.lock);
  return s.icons.erase(icon) > 0;
}

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
  auto& s = Current();
  Held held(s.lock);
  char call[96];
  std::snprintf(call, sizeof call, "OpenProcessToken(0x%X, 0x%X)",
                static_cast<std::uint32_t>(process), desiredAccess);
  s.Log(call);
  if (s.config.tokenOpenFails) return FALSE;
  *token = HANDLE{s.NewHandle()};
  s.handles[*token] = {sim::HandleRecord::Kind::Token, {}};
  return TRUE;
}

BOOL LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid) {
  auto& s = Current();
  Held held(s.lock);
  s.Log("LookupPrivilegeValueA(" + sim::Quoted(systemName) + ", " + sim::Quoted(name) + ")");
  if (s.config.privilegeLookupFails || std::strcmp(name, "SeShutdownPrivilege") != 0) return FALSE;
  *luid = {19, 0};
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, const TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previousState,
                           DWORD* returnLength) {
  auto& s = Current();
  Held held(s.lock);
  char call[200];
  std::snprintf(call, sizeof call,
                "AdjustTokenPrivileges(%s, %d, {%u, {%u, %d}, 0x%X}, %u, %s, %s)",
                s.handles.count(token) ? "token" : "?", disableAll, newState->PrivilegeCount,
                newState->Privileges[0].Luid.LowPart, newState->Privileges[0].Luid.HighPart,
                newState->Privileges[0].Attributes, bufferLength, previousState ? "buffer" : "null",
                returnLength ? "length" : "null");
  s.Log(call);
  return TRUE;
}

BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
  auto& s = Current();
  Held held(s.lock);
  static const char* const names[] = {"NIM_ADD", "NIM_MODIFY", "NIM_DELETE"};
  s.Log(std::string("Shell_NotifyIconA(") + (message < 3 ? names[message] : "?") + ")");
  const auto key = std::make_pair(data->hWnd, data->uID);
  const bool present = s.tray.count(key) > 0;
  bool ok = false;
  if (message == NIM_ADD)
    ok = !present && !s.config.trayRefusesAdd;
  else if (message == NIM_MODIFY)
    ok = present && !s.config.trayRefusesModify;
  else if (message == NIM_DELETE)
    ok = present;
  if (ok && message == NIM_DELETE)
    s.tray.erase(key);
  else if (ok)
    s.tray[key] = *data;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  s.trayCalls.push_back({message, {bytes, bytes + sizeof *data}, ok});
  return ok ? TRUE : FALSE;
}

void exit(int status) {
  throw sim::ProcessExit{status};
}

int atexit(void (*procedure)()) {
  auto& s = Current();
  Held held(s.lock);
  s.exitProcedures.push_back(procedure);
  return 0;
}

} // namespace os

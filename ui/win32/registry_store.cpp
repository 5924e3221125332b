#include "registry_store.hpp"

#include <windows.h>

#include "win32_text.hpp"

namespace tempinex::win32 {

namespace {

// Opens, or creates, the section key; every key on the way is closed once the next is open.
HKEY OpenSection(const SettingsPath& path) {
  HKEY software = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"software", 0, KEY_READ | KEY_WRITE, &software) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  HKEY current = software;
  for (const std::u16string* name : {&path.company, &path.application, &path.section}) {
    HKEY next = nullptr;
    DWORD disposition = 0;
    const LSTATUS status =
        RegCreateKeyExW(current, Wide(*name), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &next, &disposition);
    RegCloseKey(current);
    if (status != ERROR_SUCCESS) {
      return nullptr;
    }
    current = next;
  }
  return current;
}

}  // namespace

std::uint32_t RegistryStore::Read(const SettingsPath& path, std::uint32_t fallback) {
  const HKEY section = OpenSection(path);
  if (section == nullptr) {
    return fallback;
  }
  BYTE data[4] = {};
  DWORD size = sizeof(data);
  DWORD type = 0;
  const LSTATUS status = RegQueryValueExW(section, Wide(path.key), nullptr, &type, data, &size);
  RegCloseKey(section);
  if (status != ERROR_SUCCESS) {
    return fallback;
  }
  // Shorter data reads with zero high bytes.
  return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

bool RegistryStore::Write(const SettingsPath& path, std::uint32_t value) {
  const HKEY section = OpenSection(path);
  if (section == nullptr) {
    return false;
  }
  const BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                        static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  const LSTATUS status = RegSetValueExW(section, Wide(path.key), 0, REG_DWORD, data, sizeof(data));
  RegCloseKey(section);
  return status == ERROR_SUCCESS;
}

}  // namespace tempinex::win32

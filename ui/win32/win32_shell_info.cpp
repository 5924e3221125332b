#include "win32_shell_info.hpp"

#include <shellapi.h>

#include "win32_text.hpp"

namespace tempinex::win32 {

std::u16string Win32ShellInfo::DisplayName(const std::u16string& path) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(Wide(path), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) == 0) {
    return {};
  }
  return FromWide(info.szDisplayName);
}

std::u16string Win32ShellInfo::TypeName(const std::u16string& path) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(Wide(path), 0, &info, sizeof(info), SHGFI_TYPENAME) == 0) {
    return {};
  }
  return FromWide(info.szTypeName);
}

HICON FileIcon(const std::u16string& path, bool large) {
  SHFILEINFOW info{};
  const UINT size = large ? SHGFI_LARGEICON : SHGFI_SMALLICON;
  if (SHGetFileInfoW(Wide(path), 0, &info, sizeof(info), SHGFI_ICON | size) == 0) {
    return nullptr;
  }
  return info.hIcon;
}

}  // namespace tempinex::win32

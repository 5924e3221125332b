#pragma once

// Names, type names and icons as Explorer shows them (SHGetFileInfoW).

#include <windows.h>

#include "shell_seams.hpp"

namespace tempinex::win32 {

class Win32ShellInfo : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override;
  std::u16string TypeName(const std::u16string& path) override;
};

// The file's shell icon, large (32 x 32) or small; the caller destroys it. Null when none.
HICON FileIcon(const std::u16string& path, bool large);

}  // namespace tempinex::win32

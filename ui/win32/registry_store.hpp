#pragma once

// The settings in the per-user registry, below HKEY_CURRENT_USER in
// software\<company>\<application>\<section>, each value a REG_DWORD.

#include "settings_store.hpp"

namespace tempinex::win32 {

class RegistryStore : public ISettingsStore {
 public:
  std::uint32_t Read(const SettingsPath& path, std::uint32_t fallback) override;
  bool Write(const SettingsPath& path, std::uint32_t value) override;
};

}  // namespace tempinex::win32

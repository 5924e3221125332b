#pragma once

// The settings store in QSettings' native format: on Linux the file
// $XDG_CONFIG_HOME/<company>/<application>.conf (default ~/.config) with one group per section.

#include "settings_store.hpp"

namespace tempinex::qt {

class QtSettingsStore : public ISettingsStore {
 public:
  std::uint32_t Read(const SettingsPath& path, std::uint32_t fallback) override;
  bool Write(const SettingsPath& path, std::uint32_t value) override;
};

}  // namespace tempinex::qt

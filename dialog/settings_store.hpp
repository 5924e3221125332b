#pragma once

// Where the four check-box preferences live. The hierarchy is company key, application name,
// section, value name; every value is an unsigned 32-bit integer.

#include <cstdint>
#include <string>

namespace tempinex {

struct SettingsPath {
  std::u16string company;
  std::u16string application;
  std::u16string section;
  std::u16string key;

  bool operator==(const SettingsPath&) const = default;
};

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // The stored value, or fallback when there is none or it is not an unsigned 32-bit integer.
  virtual std::uint32_t Read(const SettingsPath& path, std::uint32_t fallback) = 0;
  // False when the value could not be stored.
  virtual bool Write(const SettingsPath& path, std::uint32_t value) = 0;
};

}  // namespace tempinex

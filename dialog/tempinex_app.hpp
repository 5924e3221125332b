#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "settings_store.hpp"

namespace tempinex {

// The program file's name without folder and without its last extension.
std::u16string AppNameFromProgramPath(std::u16string_view programPath);

inline constexpr char16_t kCompanyKey[] = u"kanorem";
inline constexpr char16_t kSettingsSection[] = u"Prop";

// The application object: its name, the settings store and the start-up order.
class CTempinexApp {
 public:
  CTempinexApp(std::u16string_view programPath, ISettingsStore& store);

  const std::u16string& AppName() const { return appName; }
  const std::u16string& CompanyKey() const { return companyKey; }
  const std::u16string& ProfileName() const { return profileName; }

  void SetCompanyKey(std::u16string_view key);

  std::uint32_t ReadSetting(std::u16string_view section, std::u16string_view key,
                            std::uint32_t fallback);
  bool WriteSetting(std::u16string_view section, std::u16string_view key, std::uint32_t value);

  // Sets the company key, then runs the main dialog (constructed, run modally and destroyed by
  // runMainDialog). Returns false: the program ends with the dialog, without a loop of its own.
  bool InitInstance(const std::function<void(CTempinexApp&)>& runMainDialog);

 private:
  SettingsPath PathOf(std::u16string_view section, std::u16string_view key) const;

  ISettingsStore& store;
  std::u16string appName;
  std::u16string companyKey;
  std::u16string profileName;
};

}  // namespace tempinex

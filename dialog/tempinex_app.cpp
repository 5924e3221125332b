#include "tempinex_app.hpp"

#include "platform.hpp"

namespace tempinex {

std::u16string AppNameFromProgramPath(std::u16string_view programPath) {
  // Windows also accepts "/" in a path; on Linux a "\\" is part of a file name.
#ifdef _WIN32
  std::size_t slash = programPath.find_last_of(u"/\\");
#else
  std::size_t slash = programPath.rfind(platform::kSeparator);
#endif
  std::u16string_view name =
      slash == std::u16string_view::npos ? programPath : programPath.substr(slash + 1);
  std::size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos) {
    name = name.substr(0, dot);
  }
  return std::u16string(name);
}

CTempinexApp::CTempinexApp(std::u16string_view programPath, ISettingsStore& store)
    : store(store), appName(AppNameFromProgramPath(programPath)), profileName(appName) {}

void CTempinexApp::SetCompanyKey(std::u16string_view key) {
  companyKey = key;
  profileName = appName;
}

SettingsPath CTempinexApp::PathOf(std::u16string_view section, std::u16string_view key) const {
  return SettingsPath{companyKey, profileName, std::u16string(section), std::u16string(key)};
}

std::uint32_t CTempinexApp::ReadSetting(std::u16string_view section, std::u16string_view key,
                                        std::uint32_t fallback) {
  return store.Read(PathOf(section, key), fallback);
}

bool CTempinexApp::WriteSetting(std::u16string_view section, std::u16string_view key,
                                std::uint32_t value) {
  return store.Write(PathOf(section, key), value);
}

bool CTempinexApp::InitInstance(const std::function<void(CTempinexApp&)>& runMainDialog) {
  SetCompanyKey(kCompanyKey);
  runMainDialog(*this);
  return false;
}

}  // namespace tempinex

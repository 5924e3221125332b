// Tempinex64 for Windows: start-up. The application object names itself after the program file,
// fixes the settings company key and runs the main dialog modally; the program ends when it
// closes.

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "registry_store.hpp"
#include "smoke_hook.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"
#include "win32_dialog_window.hpp"
#include "win32_shell_info.hpp"
#include "win32_text.hpp"

namespace {

std::u16string ProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::u16string(buffer.begin(), buffer.end());
    }
    buffer.resize(buffer.size() * 2);
  }
}

// Every argument after the program name, as written.
std::vector<std::u16string> CommandLinePaths() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> paths;
  for (int i = 1; arguments != nullptr && i < count; ++i) {
    paths.push_back(tempinex::win32::FromWide(arguments[i]));
  }
  LocalFree(arguments);
  return paths;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace tempinex;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  win32::RegistryStore store;
  CTempinexApp app(ProgramPath(), store);
  const std::vector<std::u16string> paths = CommandLinePaths();
  app.InitInstance([&](CTempinexApp& self) {
    win32::Win32ShellInfo shell;
    win32::Win32DialogWindow window(instance);
    CTempinexDlg dialog(self, window, shell, paths);
    static HWND dialogWindow = nullptr;
    win32::ArmSmokeHook(&dialogWindow);
    struct Tracker : INotificationSink {
      INotificationSink& inner;
      win32::Win32DialogWindow& window;
      Tracker(INotificationSink& inner, win32::Win32DialogWindow& window)
          : inner(inner), window(window) {}
      bool Notify(const Notification& notification) override {
        dialogWindow = window.Handle();
        return inner.Notify(notification);
      }
    } tracker(dialog, window);
    window.RunModal(tracker);
  });
  return 0;
}

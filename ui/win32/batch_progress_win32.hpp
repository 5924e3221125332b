#pragma once

#include <windows.h>

#include <cstddef>

namespace tempinex::win32 {

// Dialog template 103 (the progress display) and its controls.
inline constexpr int kBatchProgressDialog = 103;
inline constexpr int kBatchProgressBar = 1001;
inline constexpr int kBatchProgressCount = 1002;

// The progress display of a long batch apply on Windows (batch_progress_rule.hpp): a dialog
// over the main window, which is disabled while it shows. It repaints by dispatching paint
// messages only: no timer, no posted message and no user input reaches a window meanwhile, so
// no other command can start while the batch runs.
class Win32BatchProgress {
 public:
  explicit Win32BatchProgress(HINSTANCE instance) : instance(instance) {}
  ~Win32BatchProgress();
  Win32BatchProgress(const Win32BatchProgress&) = delete;
  Win32BatchProgress& operator=(const Win32BatchProgress&) = delete;

  void Progress(HWND owner, std::size_t done, std::size_t total);
  void Finished();

 private:
  bool Show(HWND owner);

  HINSTANCE instance;
  HWND owner = nullptr;
  HWND display = nullptr;
  bool running = false;
  ULONGLONG started = 0;
  ULONGLONG repainted = 0;
};

}  // namespace tempinex::win32

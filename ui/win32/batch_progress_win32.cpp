#include "batch_progress_win32.hpp"

#include <commctrl.h>

#include <string>

#include "batch_progress_rule.hpp"
#include "win32_text.hpp"

namespace tempinex::win32 {

namespace {

// Nothing to do: the display has no button, and a close request is ignored.
INT_PTR CALLBACK DisplayProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

void DispatchPaintMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
    DispatchMessageW(&message);
  }
}

}  // namespace

Win32BatchProgress::~Win32BatchProgress() {
  Finished();
}

void Win32BatchProgress::Progress(HWND window, std::size_t done, std::size_t total) {
  const ULONGLONG now = GetTickCount64();
  if (done == 0) {
    running = true;
    started = now;
    repainted = now;
    return;
  }
  if (!running || now - repainted < kBatchProgressRepaintMs) {
    return;
  }
  if (display == nullptr && (now - started < kBatchProgressShowAfterMs || !Show(window))) {
    return;
  }
  SendDlgItemMessageW(display, kBatchProgressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
  SendDlgItemMessageW(display, kBatchProgressBar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
  const std::wstring count = std::to_wstring(done) + L" / " + std::to_wstring(total);
  SetDlgItemTextW(display, kBatchProgressCount, count.c_str());
  DispatchPaintMessages();
  repainted = now;
}

bool Win32BatchProgress::Show(HWND window) {
  const INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  display =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(kBatchProgressDialog), window, &DisplayProc, 0);
  if (display == nullptr) {
    return false;
  }
  owner = window;
  SetWindowTextW(display, Wide(kBatchProgressTitle));
  EnableWindow(owner, FALSE);
  ShowWindow(display, SW_SHOW);
  return true;
}

void Win32BatchProgress::Finished() {
  running = false;
  if (display == nullptr) {
    return;
  }
  // The owner first, so that it takes the activation back from the display.
  EnableWindow(owner, TRUE);
  DestroyWindow(display);
  display = nullptr;
  owner = nullptr;
}

}  // namespace tempinex::win32

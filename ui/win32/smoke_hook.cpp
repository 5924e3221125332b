#include "smoke_hook.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "control_ids.hpp"

namespace tempinex::win32 {

namespace {

const HWND* smokeDialog = nullptr;
std::wstring smokeYear;

void CALLBACK RunSmokeSteps(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND dialog = smokeDialog != nullptr ? *smokeDialog : nullptr;
  if (dialog == nullptr) {
    return;  // not up yet: the timer fires again
  }
  KillTimer(nullptr, timer);
  // What the name edit shows, for the test to compare with the file's base name.
  if (const wchar_t* report = _wgetenv(L"TEMPINEX_SMOKE_REPORT")) {
    wchar_t name[MAX_PATH] = {};
    GetDlgItemTextW(dialog, ids::kFileName, name, MAX_PATH);
    char utf8[4 * MAX_PATH] = {};
    WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof(utf8), nullptr, nullptr);
    if (FILE* out = _wfopen(report, L"wb")) {
      std::fprintf(out, "1002=%s\n", utf8);
      std::fclose(out);
    }
  }
  SendMessageW(GetDlgItem(dialog, ids::kLastChangeCheck), BM_CLICK, 0, 0);
  SetDlgItemTextW(dialog, ids::kLastChangeYear, smokeYear.c_str());
  SendMessageW(GetDlgItem(dialog, ids::kApply), BM_CLICK, 0, 0);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

void ArmSmokeHook(const HWND* dialog) {
  const wchar_t* year = _wgetenv(L"TEMPINEX_SMOKE_YEAR");
  if (year == nullptr || *year == L'\0') {
    return;
  }
  smokeDialog = dialog;
  smokeYear = year;
  SetTimer(nullptr, 0, 500, &RunSmokeSteps);
}

}  // namespace tempinex::win32

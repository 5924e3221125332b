#include "smoke_hook.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "control_ids.hpp"

namespace tempinex::win32 {

namespace {

const HWND* smokeDialog = nullptr;
std::wstring smokeYear;
std::wstring smokeHours;

// Checks each row's box and types the hours into its hour field, key by key; the caret ends
// after the last digit in the last-write row's hour.
void TypeHours(HWND dialog) {
  const int rows[][2] = {{ids::kCreateCheck, ids::kCreateHour},
                         {ids::kLastReadCheck, ids::kLastReadHour},
                         {ids::kLastChangeCheck, ids::kLastChangeHour}};
  for (const auto& [box, hour] : rows) {
    SendMessageW(GetDlgItem(dialog, box), BM_CLICK, 0, 0);
    const HWND edit = GetDlgItem(dialog, hour);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const wchar_t key : smokeHours) {
      SendMessageW(edit, WM_CHAR, key, 0);
    }
  }
}

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
  if (!smokeHours.empty()) {
    TypeHours(dialog);
    return;  // a picture: the dialog stays as it is until killed
  }
  SendMessageW(GetDlgItem(dialog, ids::kLastChangeCheck), BM_CLICK, 0, 0);
  SetDlgItemTextW(dialog, ids::kLastChangeYear, smokeYear.c_str());
  SendMessageW(GetDlgItem(dialog, ids::kApply), BM_CLICK, 0, 0);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

void ArmSmokeHook(const HWND* dialog) {
  const wchar_t* year = _wgetenv(L"TEMPINEX_SMOKE_YEAR");
  const wchar_t* hours = _wgetenv(L"TEMPINEX_SMOKE_HOURS");
  smokeYear = year != nullptr ? year : L"";
  smokeHours = hours != nullptr ? hours : L"";
  if (smokeYear.empty() && smokeHours.empty()) {
    return;
  }
  smokeDialog = dialog;
  SetTimer(nullptr, 0, 500, &RunSmokeSteps);
}

}  // namespace tempinex::win32

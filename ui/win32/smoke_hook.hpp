#pragma once

#include <windows.h>

namespace tempinex::win32 {

// Test hook, inert unless TEMPINEX_SMOKE_YEAR is set: once the dialog runs, it checks the
// last-write row's box, types that year into the row and presses Apply, then Cancel, all as
// window messages to the real controls. With TEMPINEX_SMOKE_REPORT it first writes what the
// name edit 1002 shows into that file.
void ArmSmokeHook(const HWND* dialog);

}  // namespace tempinex::win32

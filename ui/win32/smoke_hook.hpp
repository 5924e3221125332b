#pragma once

#include <windows.h>

namespace tempinex::win32 {

// Test hook, inert unless TEMPINEX_SMOKE_YEAR or TEMPINEX_SMOKE_HOURS is set: once the dialog
// runs, it checks the last-write row's box, types that year into the row and presses Apply, then
// Cancel, all as window messages to the real controls. With TEMPINEX_SMOKE_HOURS instead it
// checks every row's box and types those hours into each row's hour field, key by key, and
// leaves the dialog open for a picture. With TEMPINEX_SMOKE_REPORT it first writes what the name
// edit 1002 shows into that file.
void ArmSmokeHook(const HWND* dialog);

}  // namespace tempinex::win32

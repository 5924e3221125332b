#pragma once

#include <windows.h>

#include <string>

namespace tempinex::win32 {

// Dialog template 104 (the box of a long message) and its controls.
inline constexpr int kLongMessageDialog = 104;
inline constexpr int kLongMessageIcon = 1001;
inline constexpr int kLongMessageLines = 1002;
inline constexpr int kLongMessageSentence = 1003;

// Shows text with an OK button, the caption and the icon of MB_ICONSTOP or MB_ICONEXCLAMATION
// (iconStyle). A text that fits the screen goes to the system's own message box. The system's
// box grows past the bottom of the screen for a longer one, such as the list of a few thousand
// files that could not be changed, and its OK button can then not be reached. Such a text gets
// a box of template 104 instead: the lines before the last scroll, and the last line (the
// sentence that says what happened) and OK stay in view.
void ShowMessageBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                    const std::wstring& text, UINT iconStyle, bool systemModal);

}  // namespace tempinex::win32

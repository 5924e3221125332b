#include "message_box_win32.hpp"

#include <algorithm>

namespace tempinex::win32 {

namespace {

constexpr DWORD kBoxStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// What the long box shows, handed to its dialog procedure.
struct LongMessage {
  const std::wstring& caption;
  std::wstring lines;     // all lines but the last, "\r\n" between them
  std::wstring sentence;  // the last line
  UINT iconStyle;
  bool systemModal;
  HFONT font = nullptr;
};

// The font the system's message box writes in.
HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return nullptr;
  }
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

struct Extent {
  int cx;
  int cy;
};

// The size text takes in font: unwrapped, or wrapped at width when width is given.
Extent TextExtent(HFONT font, const std::wstring& text, int width = 0) {
  const HDC context = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(context, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  RECT rect{0, 0, width, 0};
  UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
  if (width > 0) {
    format |= DT_WORDBREAK;
  }
  DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &rect, format);
  SelectObject(context, old);
  ReleaseDC(nullptr, context);
  return {static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top)};
}

// The work area of the screen owner is on (the primary screen without an owner).
RECT WorkArea(HWND owner) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const HMONITOR monitor = owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                            : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoW(monitor, &info)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  }
  return info.rcWork;
}

Extent FrameSize() {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, kBoxStyle, FALSE, 0);
  return {static_cast<int>(frame.right - frame.left), static_cast<int>(frame.bottom - frame.top)};
}

// Pixels for a length given at 96 dots per inch.
int Scaled(int pixels) {
  const HDC context = GetDC(nullptr);
  const int dpi = GetDeviceCaps(context, LOGPIXELSY);
  ReleaseDC(nullptr, context);
  return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

int LineHeight(HFONT font) {
  return TextExtent(font, L"X").cy;
}

// Whether the system's box would stay on the screen: the text, with room for the caption,
// the margins and the button row (about four lines).
bool FitsSystemBox(HFONT font, const std::wstring& text, const RECT& work) {
  const int workWidth = static_cast<int>(work.right - work.left);
  Extent extent = TextExtent(font, text);
  if (extent.cx > workWidth / 2) {
    extent = TextExtent(font, text, workWidth / 2);  // the system's box wraps long lines
  }
  return extent.cy + 4 * LineHeight(font) + FrameSize().cy <=
         static_cast<int>(work.bottom - work.top);
}

void Place(HWND dialog, int id, int x, int y, int width, int height) {
  MoveWindow(GetDlgItem(dialog, id), x, y, width, height, FALSE);
}

// Lays out the long box in pixels: as wide as its widest line and the sentence need, and as
// tall as its lines need, up to what the work area leaves; the lines scroll within.
void LayOut(HWND dialog, HWND owner, const LongMessage& message) {
  const RECT work = WorkArea(owner);
  const Extent frame = FrameSize();
  const int margin = Scaled(11);
  const int gap = Scaled(7);
  const int icon = GetSystemMetrics(SM_CXICON);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  const int workWidth = static_cast<int>(work.right - work.left);
  const int workHeight = static_cast<int>(work.bottom - work.top);
  const int mostWidth = workWidth - frame.cx;
  const int mostHeight = workHeight - frame.cy;
  const Extent lines = TextExtent(message.font, message.lines);
  const Extent sentenceLine = TextExtent(message.font, message.sentence);
  const int beside = 3 * margin + icon;
  const int editMargins = Scaled(8);
  const int textWidth = std::max(
      std::min(std::max(lines.cx + bar + editMargins, sentenceLine.cx), mostWidth - beside),
      Scaled(120));
  const int sentenceHeight = TextExtent(message.font, message.sentence, textWidth).cy;
  const int buttonWidth = Scaled(88);
  const int buttonHeight = Scaled(26);
  const int below = gap + sentenceHeight + gap + buttonHeight + margin;
  const int linesHeight = std::max(std::min(lines.cy + Scaled(4), mostHeight - margin - below),
                                   LineHeight(message.font));
  const int clientWidth = beside + textWidth;
  const int clientHeight = margin + linesHeight + below;

  const int textX = 2 * margin + icon;
  Place(dialog, kLongMessageIcon, margin, margin, icon, icon);
  Place(dialog, kLongMessageLines, textX, margin, textWidth, linesHeight);
  Place(dialog, kLongMessageSentence, textX, margin + linesHeight + gap, textWidth, sentenceHeight);
  Place(dialog, IDOK, (clientWidth - buttonWidth) / 2, clientHeight - margin - buttonHeight,
        buttonWidth, buttonHeight);

  const int width = clientWidth + frame.cx;
  const int height = clientHeight + frame.cy;
  const int x = static_cast<int>(work.left) + std::max(0, (workWidth - width) / 2);
  const int y = static_cast<int>(work.top) + std::max(0, (workHeight - height) / 2);
  SetWindowPos(dialog, message.systemModal ? HWND_TOPMOST : nullptr, x, y, width, height,
               message.systemModal ? 0 : SWP_NOZORDER);
}

void Fill(HWND dialog, const LongMessage& message) {
  SetWindowTextW(dialog, message.caption.c_str());
  const LPCWSTR icon = message.iconStyle == MB_ICONSTOP ? IDI_HAND : IDI_EXCLAMATION;
  SendDlgItemMessageW(dialog, kLongMessageIcon, STM_SETICON,
                      reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
  for (const int id : {kLongMessageLines, kLongMessageSentence, static_cast<int>(IDOK)}) {
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(message.font), FALSE);
  }
  SetDlgItemTextW(dialog, kLongMessageLines, message.lines.c_str());
  SetDlgItemTextW(dialog, kLongMessageSentence, message.sentence.c_str());
}

INT_PTR CALLBACK LongMessageProc(HWND dialog, UINT code, WPARAM wParam, LPARAM lParam) {
  switch (code) {
    case WM_INITDIALOG: {
      const auto& message = *reinterpret_cast<const LongMessage*>(lParam);
      Fill(dialog, message);
      LayOut(dialog, GetWindow(dialog, GW_OWNER), message);
      // From the first line, whatever the edit did when it was filled at its template size.
      SendDlgItemMessageW(dialog, kLongMessageLines, EM_SETSEL, 0, 0);
      SendDlgItemMessageW(dialog, kLongMessageLines, WM_VSCROLL, SB_TOP, 0);
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;  // the focus is set
    }
    case WM_CTLCOLORSTATIC:  // the read-only lines on the box's own background
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// The text's lines end in "\r\n"; the last one says what happened.
void Split(const std::wstring& text, LongMessage& message) {
  const std::size_t last = text.rfind(L'\n');
  if (last == std::wstring::npos) {
    message.sentence = text;
    return;
  }
  message.lines = text.substr(0, last > 0 && text[last - 1] == L'\r' ? last - 1 : last);
  message.sentence = text.substr(last + 1);
}

}  // namespace

void ShowMessageBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                    const std::wstring& text, UINT iconStyle, bool systemModal) {
  LongMessage message{caption, {}, {}, iconStyle, systemModal, MessageFont()};
  const bool fits = FitsSystemBox(message.font, text, WorkArea(owner));
  if (!fits) {
    Split(text, message);
    MessageBeep(iconStyle);
  }
  const INT_PTR shown = fits
                            ? -1
                            : DialogBoxParamW(instance, MAKEINTRESOURCEW(kLongMessageDialog), owner,
                                              &LongMessageProc, reinterpret_cast<LPARAM>(&message));
  if (message.font != nullptr) {
    DeleteObject(message.font);
  }
  if (shown == -1) {  // fits, or the template is missing: the system's box
    MessageBoxW(owner, text.c_str(), caption.c_str(),
                MB_OK | iconStyle | (systemModal ? MB_SYSTEMMODAL : 0));
  }
}

}  // namespace tempinex::win32

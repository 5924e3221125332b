#include "win32_dialog_window.hpp"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include "control_ids.hpp"
#include "message_box_win32.hpp"
#include "win32_shell_info.hpp"
#include "win32_text.hpp"

namespace tempinex::win32 {

namespace {

constexpr RECT kIconSquare{20, 0, 52, 32};
constexpr COLORREF kIconBackground = RGB(210, 210, 210);
constexpr DWORD kOpenBufferUnits = 64 * 1024;

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

std::u16string WindowText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, buffer.data(), length + 1);
  buffer.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return std::u16string(buffer.begin(), buffer.end());
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(HINSTANCE instance) : instance(instance) {}

Win32DialogWindow::~Win32DialogWindow() {
  if (smallIcon != nullptr) {
    DestroyIcon(smallIcon);
  }
}

int Win32DialogWindow::RunModal(INotificationSink& receiver) {
  sink = &receiver;
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(ids::kMainDialog), nullptr,
                                         &DialogProc, reinterpret_cast<LPARAM>(this));
  window = nullptr;
  return static_cast<int>(result);
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32DialogWindow*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    self->window = dialog;
  }
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

bool Win32DialogWindow::Deliver(const Notification& notification) {
  return sink != nullptr && sink->Notify(notification);
}

INT_PTR Win32DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ListView_SetExtendedListViewStyle(Control(ids::kInfoList), LVS_EX_GRIDLINES);
      // Shown before the dialog sets itself up (the template would show it just after): a
      // message the start-up raises, such as a file on the command line that cannot be loaded,
      // then stands in front of the window it concerns, not alone before it.
      ShowWindow(window, SW_SHOW);
      Deliver({0, Event::kInitDialog});
      return TRUE;  // the system sets the first focus
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (code == BN_CLICKED) {
        Deliver({id, Event::kClicked});
        return TRUE;
      }
      if (code == EN_CHANGE) {
        Deliver({id, Event::kTextChanged});
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SYSCOMMAND:
      if (Deliver({static_cast<int>(wParam & 0xFFF0), Event::kSysCommand})) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case WM_PAINT:
      if (IsIconic(window)) {
        PaintMinimized();
        return TRUE;
      }
      DrawFileIcon();
      return FALSE;  // the default painting follows
    case WM_QUERYDRAGICON:
      SetWindowLongPtrW(window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(bigIcon));
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR Win32DialogWindow::OnNotify(const NMHDR& header) {
  if (header.idFrom != static_cast<UINT_PTR>(ids::kInfoList)) {
    return FALSE;
  }
  if (header.code == NM_CLICK) {
    const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
    Deliver({ids::kInfoList, Event::kListClick, activate.iItem});
  } else if (header.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) {
      Deliver({ids::kInfoList, Event::kListItemChanged, change.iItem});
    }
  }
  return FALSE;
}

void Win32DialogWindow::OnDrop(HDROP drop) {
  std::vector<std::u16string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(length + 1, L'\0');
    DragQueryFileW(drop, i, name.data(), length + 1);
    name.resize(length);
    paths.emplace_back(name.begin(), name.end());
  }
  DragFinish(drop);
  Deliver({0, Event::kFilesDropped, -1, std::move(paths)});
}

void Win32DialogWindow::DrawFileIcon() {
  if (iconSquare.kind == SetIcon::Kind::kNone) {
    return;
  }
  HICON icon = nullptr;
  if (iconSquare.kind == SetIcon::Kind::kMultiFile) {
    icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(ids::kMultiFileIcon), IMAGE_ICON, 32, 32, 0));
  } else {
    icon = FileIcon(iconSquare.path, iconSquare.large);
  }
  if (icon == nullptr) {
    return;
  }
  const HDC context = GetDC(window);
  const HBRUSH background = CreateSolidBrush(kIconBackground);
  FillRect(context, &kIconSquare, background);
  DeleteObject(background);
  DrawIcon(context, kIconSquare.left, kIconSquare.top, icon);
  DestroyIcon(icon);
  ReleaseDC(window, context);
}

void Win32DialogWindow::PaintMinimized() {
  PAINTSTRUCT paint;
  const HDC context = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client;
  GetClientRect(window, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(context, x, y, bigIcon);
  EndPaint(window, &paint);
}

void Win32DialogWindow::ShowMessage(const std::u16string& caption, const std::u16string& text,
                                    MessageIcon icon, bool systemModal) {
  ShowMessageBox(instance, window, Wide(caption), Wide(text),
                 icon == MessageIcon::kError ? MB_ICONSTOP : MB_ICONEXCLAMATION, systemModal);
}

void Win32DialogWindow::BatchProgress(std::size_t done, std::size_t total) {
  batchProgress.Progress(window, done, total);
}

void Win32DialogWindow::BatchFinished() {
  batchProgress.Finished();
}

// The system's message for the code in the user's default language, without the line end the
// system puts after it.
std::u16string Win32DialogWindow::SystemResultCodeText(std::uint32_t code) const {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer),
      0, nullptr);
  std::u16string text = length > 0 ? FromWide(buffer) : std::u16string();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  return text;
}

void Win32DialogWindow::SetText(int id, const std::u16string& text) {
  const HWND control = Control(id);
  // Writing the text a control already holds changes nothing and tells nobody.
  if (control == nullptr || WindowText(control) == text) {
    return;
  }
  SetWindowTextW(control, Wide(text));  // an edit reports EN_CHANGE before this returns
}

std::u16string Win32DialogWindow::GetText(int id) const {
  const HWND control = Control(id);
  return control == nullptr ? std::u16string() : WindowText(control);
}

void Win32DialogWindow::Enable(int id, bool enabled) {
  EnableWindow(Control(id), enabled ? TRUE : FALSE);
}

bool Win32DialogWindow::IsEnabled(int id) const {
  return IsWindowEnabled(Control(id)) != FALSE;
}

void Win32DialogWindow::SetCheck(int id, bool checked) {
  CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogWindow::IsChecked(int id) const {
  return IsDlgButtonChecked(window, id) == BST_CHECKED;
}

void Win32DialogWindow::ListInsertColumn(int id, int column, const std::u16string& header,
                                         int widthPixels) {
  std::u16string text = header;
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
  info.fmt = LVCFMT_LEFT;
  info.cx = widthPixels;
  info.pszText = reinterpret_cast<wchar_t*>(text.data());
  info.iSubItem = column;
  SendMessageW(Control(id), LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&info));
}

void Win32DialogWindow::ListSetHeader(int id, int column, const std::u16string& header) {
  std::u16string text = header;
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT;
  info.pszText = reinterpret_cast<wchar_t*>(text.data());
  SendMessageW(Control(id), LVM_SETCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&info));
}

void Win32DialogWindow::ListDeleteAllRows(int id) {
  SendMessageW(Control(id), LVM_DELETEALLITEMS, 0, 0);
}

void Win32DialogWindow::ListInsertRow(int id, int row, const std::u16string& column0) {
  std::u16string text = column0;
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = reinterpret_cast<wchar_t*>(text.data());
  SendMessageW(Control(id), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32DialogWindow::ListSetCell(int id, int row, int column, const std::u16string& text) {
  std::u16string copy = text;
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(copy.data());
  SendMessageW(Control(id), LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

void Win32DialogWindow::ListAppendRows(int id, const std::vector<ListRow>& rows) {
  const HWND list = Control(id);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  int row = ListRowCount(id);
  for (const ListRow& entry : rows) {
    ListInsertRow(id, row, entry.first);
    ListSetCell(id, row, 1, entry.second);
    ++row;
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int Win32DialogWindow::ListRowCount(int id) const {
  return static_cast<int>(SendMessageW(Control(id), LVM_GETITEMCOUNT, 0, 0));
}

void Win32DialogWindow::SetUpDownRange(int upDownId, int low, int high) {
  SendMessageW(Control(upDownId), UDM_SETRANGE32, static_cast<WPARAM>(low),
               static_cast<LPARAM>(high));
}

void Win32DialogWindow::SetDialogIcon(int iconId) {
  bigIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
  if (smallIcon != nullptr) {
    DestroyIcon(smallIcon);
  }
  smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(smallIcon != nullptr ? smallIcon : bigIcon));
}

void Win32DialogWindow::ShowIconSquare(const SetIcon& icon) {
  iconSquare = icon;
  DrawFileIcon();
}

bool Win32DialogWindow::HasSystemMenu() const {
  return GetSystemMenu(window, FALSE) != nullptr;
}

void Win32DialogWindow::AppendSystemMenuSeparator() {
  AppendMenuW(GetSystemMenu(window, FALSE), MF_SEPARATOR, 0, nullptr);
}

void Win32DialogWindow::AppendSystemMenuItem(int command, const std::u16string& text) {
  AppendMenuW(GetSystemMenu(window, FALSE), MF_STRING, static_cast<UINT_PTR>(command), Wide(text));
}

namespace {

// The common open-file dialog over `buffer` with `flags`; false when the user cancelled.
bool AskForFiles(HWND owner, DWORD flags, const std::u16string& filterCaption,
                 const std::u16string& filterPattern, std::vector<wchar_t>& buffer) {
  // The filter is pairs of zero-terminated texts, closed by an empty one.
  std::u16string filter = filterCaption + u'\0' + filterPattern + u'\0' + u'\0';
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = Wide(filter);
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = flags | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  return GetOpenFileNameW(&dialog) != 0;
}

}  // namespace

std::optional<std::vector<std::u16string>> Win32DialogWindow::ChooseFilesToOpen(
    const std::u16string& filterCaption, const std::u16string& filterPattern) {
  std::vector<wchar_t> buffer(kOpenBufferUnits, L'\0');
  if (!AskForFiles(window, OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT, filterCaption, filterPattern,
                   buffer)) {
    return std::nullopt;
  }
  // One file: its full path. Several: the folder, then each name, each zero-terminated.
  std::vector<std::u16string> parts;
  for (const wchar_t* part = buffer.data(); *part != L'\0'; part += wcslen(part) + 1) {
    parts.push_back(FromWide(part));
  }
  if (parts.size() <= 1) {
    return parts;
  }
  std::u16string folder = parts.front();
  if (folder.back() != u'\\') {
    folder += u'\\';
  }
  std::vector<std::u16string> paths;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    paths.push_back(folder + parts[i]);
  }
  return paths;
}

// The single-file dialog of the times of another file: the buffer then holds one full path.
std::optional<std::u16string> Win32DialogWindow::ChooseFileToOpen(
    const std::u16string& filterCaption, const std::u16string& filterPattern) {
  std::vector<wchar_t> buffer(kOpenBufferUnits, L'\0');
  if (!AskForFiles(window, 0, filterCaption, filterPattern, buffer)) {
    return std::nullopt;
  }
  return FromWide(buffer.data());
}

int Win32DialogWindow::RunModalDialog(int templateId) {
  return static_cast<int>(
      DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), window, &AboutProc, 0));
}

void Win32DialogWindow::EndDialog(int result) {
  ::EndDialog(window, result);
}

}  // namespace tempinex::win32

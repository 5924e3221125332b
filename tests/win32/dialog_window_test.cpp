// The main dialog on its Win32 window: dialog resource 102 run modally with the real dialog
// behaviour, driven by window messages from thread timers inside the modal loop. Needs a display
// (run-tests.sh starts Xvfb).

#include <functional>
#include <map>

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "message_box_win32.hpp"
#include "registry_store.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"
#include "win32_dialog_window.hpp"
#include "win32_shell_info.hpp"
#include "win32_support.hpp"
// After windows.h (from the support header), which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace tempinex {
namespace {

using namespace win32_test;

// Counts the text-change notifications on their way to the dialog.
class CountingSink : public INotificationSink {
 public:
  explicit CountingSink(INotificationSink& inner) : inner(inner) {}
  bool Notify(const Notification& notification) override {
    if (notification.event == Event::kTextChanged) {
      ++textChanges[notification.id];
    }
    return inner.Notify(notification);
  }
  std::map<int, int> textChanges;

 private:
  INotificationSink& inner;
};

std::function<void()> pendingStep;

void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::function<void()> step = std::move(pendingStep);
  if (step) {
    step();
  }
}

// Runs step once the modal loop has been running for `delay` milliseconds.
void Later(unsigned delay, std::function<void()> step) {
  pendingStep = std::move(step);
  SetTimer(nullptr, 0, delay, &RunPendingStep);
}

class Win32DialogTest : public ::testing::Test {
 protected:
  ScopedCrtZone zone{"JST-9"};
  TempFolder folder;
  win32::RegistryStore store;
  CTempinexApp app{u"C:\\programs\\win32_dialog_tests.exe", store};
  win32::Win32ShellInfo shell;
  win32::Win32DialogWindow window{GetModuleHandleW(nullptr)};

  void SetUp() override { app.SetCompanyKey(kCompanyKey); }

  // Runs the dialog on paths; first runs inside the modal loop and must end the dialog (a
  // watchdog cancels it after ten seconds).
  std::map<int, int> Run(const std::vector<std::u16string>& paths, std::function<void()> first) {
    CTempinexDlg dialog(app, window, shell, paths);
    CountingSink sink(dialog);
    Later(100, std::move(first));
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      ADD_FAILURE() << "the dialog was still open after ten seconds";
      PostMessageW(GetActiveWindow(), WM_COMMAND, IDCANCEL, 0);
    });
    window.RunModal(sink);
    KillTimer(nullptr, watchdog);
    return sink.textChanges;
  }

  void Close() { PostMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

  std::u16string Text(int id) const { return window.GetText(id); }
};

TEST_F(Win32DialogTest, OpensOnTheCommandLineFileWithItsNameListIconAndAboutItem) {
  const std::u16string file = folder.Join(u"report 2011.txt");
  MakeFile(file, 1536);
  Run({file}, [&] {
    const HWND dialog = window.Handle();
    wchar_t title[64] = {};
    GetWindowTextW(dialog, title, 64);
    EXPECT_EQ(U(title), u"Tempinex Ver1.01");
    EXPECT_EQ(Text(ids::kFileName), u"report 2011");
    EXPECT_EQ(Text(ids::kExtension), u"txt");
    EXPECT_TRUE(window.IsEnabled(ids::kFileName));
    for (const int button :
         {ids::kRestoreTime, ids::kCurrentTime, ids::kClearTime, ids::kSameAsCreation}) {
      EXPECT_TRUE(window.IsEnabled(button)) << button;
    }
    EXPECT_FALSE(window.IsEnabled(ids::kApply));
    EXPECT_EQ(window.ListRowCount(ids::kInfoList), 4);
    const HWND list = GetDlgItem(dialog, ids::kInfoList);
    EXPECT_NE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES, 0);
    wchar_t size[64] = {};
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = size;
    cell.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, 3, reinterpret_cast<LPARAM>(&cell));
    EXPECT_EQ(U(size), u"1.5KB(1536バイト)");
    EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);

    const HMENU menu = GetSystemMenu(dialog, FALSE);
    const int last = GetMenuItemCount(menu) - 1;
    EXPECT_EQ(GetMenuItemID(menu, last - 1), static_cast<UINT>(ids::kAboutCommand));
    wchar_t item[64] = {};
    GetMenuStringW(menu, last - 1, item, 64, MF_BYPOSITION);
    EXPECT_EQ(U(item), u"Tempinex のﾊﾞｰｼﾞｮﾝ情報(&A)...");
    EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(ids::kLoadTimesCommand));
    GetMenuStringW(menu, last, item, 64, MF_BYPOSITION);
    EXPECT_EQ(U(item), u"他のファイルの日時を読み込む...");
    Close();
  });
}

// A file dated before 1970 on the command line cannot be loaded: its message comes over the
// shown window and names the file.
TEST_F(Win32DialogTest, ALoadErrorAtStartComesOverTheShownWindowAndNamesTheFile) {
  const std::u16string file = folder.Join(u"old 1960.txt");
  MakeFile(file);
  const std::uint64_t in1960 = TicksOfUnix(-315619200);
  SetTimes(file, in1960, in1960, in1960);
  bool seen = false;
  Run({file}, [&] {
    const HWND box = FindWindowW(nullptr, L"win32_dialog_tests");
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_NE(U(text).find(file), std::u16string::npos);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Later(300, [&] { Close(); });
  });
  EXPECT_TRUE(seen);
}

TEST_F(Win32DialogTest, TextWritesNotifyOnlyOnChangeAndBeforeTheyReturn) {
  const std::u16string file = folder.Join(u"a.txt");
  MakeFile(file);
  int duringWrite = -1;
  const std::map<int, int> changes = Run({file}, [&] {
    window.SetText(ids::kFileName, Text(ids::kFileName));  // the same text: nothing
    window.SetText(ids::kFileName, u"renamed");
    duringWrite = 0;
    Close();
  });
  // The load wrote "a" once; the same text again delivered nothing; "renamed" one more.
  EXPECT_EQ(changes.at(ids::kFileName), 2);
  EXPECT_EQ(duringWrite, 0);
}

TEST_F(Win32DialogTest, UpDownsAreBoundToTheEditBeforeThemAndYearsHaveNoSeparators) {
  const std::u16string file = folder.Join(u"a.txt");
  MakeFile(file);
  Run({file}, [&] {
    const HWND dialog = window.Handle();
    const std::pair<int, int> pairs[] = {{ids::kCreateYear, ids::kCreateYearSpin},
                                         {ids::kLastChangeMonth, ids::kLastChangeMonthSpin},
                                         {ids::kLastReadSecond, ids::kLastReadSecondSpin}};
    for (const auto& [edit, spin] : pairs) {
      const HWND upDown = GetDlgItem(dialog, spin);
      ASSERT_NE(upDown, nullptr) << spin;
      EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)),
                GetDlgItem(dialog, edit))
          << spin;
    }
    const auto style = [&](int id) { return GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE); };
    EXPECT_NE(style(ids::kLastChangeYearSpin) & UDS_NOTHOUSANDS, 0);
    EXPECT_EQ(style(ids::kLastChangeDaySpin) & UDS_NOTHOUSANDS, 0);
    EXPECT_NE(style(ids::kLastReadHour) & ES_NUMBER, 0);
    Close();
  });
}

TEST_F(Win32DialogTest, ScriptedApplyWritesTheTypedYear) {
  const std::u16string file = folder.Join(u"a.txt");
  MakeFile(file);
  SetTimes(file, TicksOfUnix(1434369600), TicksOfUnix(1434369600), TicksOfUnix(1434369600));
  Run({file}, [&] {
    const HWND dialog = window.Handle();
    SendMessageW(GetDlgItem(dialog, ids::kLastChangeCheck), BM_CLICK, 0, 0);
    EXPECT_TRUE(window.IsEnabled(ids::kLastChangeYear));
    SetDlgItemTextW(dialog, ids::kLastChangeYear, L"2001");
    EXPECT_TRUE(window.IsEnabled(ids::kApply));
    SendMessageW(GetDlgItem(dialog, ids::kApply), BM_CLICK, 0, 0);
    EXPECT_FALSE(window.IsEnabled(ids::kApply));
    Close();
  });
  FILETIME local;
  SYSTEMTIME fields;
  const FILETIME written = Info(file).ftLastWriteTime;
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToSystemTime(&local, &fields);
  EXPECT_EQ(fields.wYear, 2001);
  EXPECT_EQ(app.ReadSetting(kSettingsSection, u"fileLastChange", 7), 1u);
}

TEST_F(Win32DialogTest, DroppedFilesReplaceTheSetAndAboutOpensAndCloses) {
  const std::u16string first = folder.Join(u"one.txt");
  const std::u16string second = folder.Join(u"two.log");
  MakeFile(first);
  MakeFile(second);
  bool aboutSeen = false;
  Run({}, [&] {
    EXPECT_FALSE(window.IsEnabled(ids::kFileName));
    // A drop as the shell delivers it: DROPFILES and the wide names, double-terminated.
    const std::u16string names = first + u'\0' + second + u'\0' + u'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(char16_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(char16_t));
    GlobalUnlock(memory);
    SendMessageW(window.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(window.ListRowCount(ids::kInfoList), 2);

    PostMessageW(window.Handle(), WM_SYSCOMMAND, ids::kAboutCommand, 0);
    Later(300, [&] {
      const HWND about = FindWindowW(nullptr, L"Tempinexのﾊﾞｰｼﾞｮﾝ情報");
      ASSERT_NE(about, nullptr);
      aboutSeen = true;
      EXPECT_NE(FindWindowExW(about, nullptr, L"Static", L"Tempinex64 Ver1.02"), nullptr);
      PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      Later(300, [&] {
        EXPECT_EQ(FindWindowW(nullptr, L"Tempinexのﾊﾞｰｼﾞｮﾝ情報"), nullptr);
        Close();
      });
    });
  });
  EXPECT_TRUE(aboutSeen);
}

// The widest text an edit's font gives any value of the field's range.
std::wstring WidestValue(HWND edit, RowField field, SIZE& extent) {
  const FieldLimits& limits = LimitsOf(field);
  const HDC context = GetDC(edit);
  const HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
  std::wstring widest;
  extent = {};
  for (int value = limits.upDownLow; value <= limits.upDownHigh; ++value) {
    const std::wstring text = std::to_wstring(value);
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    if (size.cx > extent.cx) {
      extent = size;
      widest = text;
    }
  }
  SelectObject(context, previous);
  ReleaseDC(edit, context);
  return widest;
}

TEST_F(Win32DialogTest, EveryDateTimeFieldShowsItsWidestValueWholeWhileEdited) {
  const std::u16string file = folder.Join(u"a.txt");
  MakeFile(file);
  Run({file}, [&] {
    const HWND dialog = window.Handle();
    for (const DateTimeRow& row : kDateTimeRows) {
      SendMessageW(GetDlgItem(dialog, row.checkBox), BM_CLICK, 0, 0);
      for (int field = 0; field < kFieldCount; ++field) {
        const HWND edit = GetDlgItem(dialog, row.edits[field]);
        SIZE extent{};
        const std::wstring widest = WidestValue(edit, static_cast<RowField>(field), extent);
        RECT format{};
        SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        EXPECT_LE(extent.cx, format.right - format.left)
            << row.edits[field] << ": " << extent.cx << " px of text in a formatting rectangle of "
            << format.right - format.left;
        // As typed: the caret at the end, and the first digit still at the left edge.
        SetFocus(edit);
        SetWindowTextW(edit, widest.c_str());
        SendMessageW(edit, EM_SETSEL, widest.size(), widest.size());
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        const LRESULT first = SendMessageW(edit, EM_POSFROMCHAR, 0, 0);
        EXPECT_EQ(static_cast<short>(LOWORD(first)), format.left) << row.edits[field];
      }
    }
    Close();
  });
}

TEST_F(Win32DialogTest, SafetyNetShowsTheSystemTextOfAResultCode) {
  const std::u16string file = folder.Join(u"a.txt");
  MakeFile(file);
  std::wstring shown;
  Run({file}, [&] {
    const HWND dialog = window.Handle();
    SendMessageW(GetDlgItem(dialog, ids::kLastChangeCheck), BM_CLICK, 0, 0);
    // A year the field takes but no time of the C library can hold: the apply raises
    // E_INVALIDARG.
    SetDlgItemTextW(dialog, ids::kLastChangeYear, L"1960");
    Later(300, [&] {
      const HWND box = FindWindowW(L"#32770", L"win32_dialog_tests");
      ASSERT_NE(box, nullptr);
      wchar_t text[256] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 256);  // the message box's text
      shown = text;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendMessageW(GetDlgItem(dialog, ids::kApply), BM_CLICK, 0, 0);  // back once the box is closed
    Close();
  });
  wchar_t* system = nullptr;
  ASSERT_NE(FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, 0x80070057, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<wchar_t*>(&system), 0, nullptr),
            0u);
  std::wstring expected = system;
  LocalFree(system);
  expected.erase(expected.find_last_not_of(L"\r\n ") + 1);
  EXPECT_EQ(U(shown), U(expected));
}

// A report of 80 paths stays on the screen: its paths scroll, and its closing sentence and OK
// button are in view. (The system's box runs 145 pixels past the bottom of a 768-pixel screen.)
TEST_F(Win32DialogTest, LongReportKeepsItsSentenceAndButtonOnTheScreen) {
  const std::u16string name = folder.Join(u"file ");
  std::wstring text = L"エラーのパス\r\n";
  for (int i = 0; i < 80; ++i) {
    text += std::wstring(name.begin(), name.end()) + std::to_wstring(i) + L".txt\r\n";
  }
  text += L"情報変更不能でした。";
  RECT box{}, button{};
  MONITORINFO screen{};
  screen.cbSize = sizeof screen;
  wchar_t sentence[64] = {};
  SCROLLINFO paths{};
  paths.cbSize = sizeof paths;
  paths.fMask = SIF_RANGE | SIF_PAGE;
  Later(300, [&] {
    const HWND shown = FindWindowW(L"#32770", L"long report");
    ASSERT_NE(shown, nullptr);
    GetWindowRect(shown, &box);
    GetWindowRect(GetDlgItem(shown, IDOK), &button);
    GetMonitorInfoW(MonitorFromWindow(shown, MONITOR_DEFAULTTONEAREST), &screen);
    GetDlgItemTextW(shown, win32::kLongMessageSentence, sentence, 64);
    GetScrollInfo(GetDlgItem(shown, win32::kLongMessageLines), SB_VERT, &paths);
    PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  window.ShowMessage(u"long report", U(text), MessageIcon::kExclamation, false);
  EXPECT_GE(box.top, screen.rcWork.top);
  EXPECT_LE(box.bottom, screen.rcWork.bottom);
  EXPECT_LE(button.bottom, box.bottom);
  EXPECT_EQ(std::wstring(sentence), L"情報変更不能でした。");
  EXPECT_GT(paths.nMax + 1, static_cast<int>(paths.nPage));  // the paths scroll
}

TEST_F(Win32DialogTest, LongBatchShowsItsProgressOverTheDisabledDialog) {
  Run({}, [&] {
    const HWND dialog = window.Handle();
    window.BatchProgress(0, 1000);
    window.BatchProgress(1, 1000);
    EXPECT_EQ(FindWindowW(L"#32770", L"適用中"), nullptr);  // a quick batch shows nothing
    window.BatchFinished();

    window.BatchProgress(0, 1000);
    Sleep(600);
    window.BatchProgress(400, 1000);
    const HWND shown = FindWindowW(L"#32770", L"適用中");
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(GetWindow(shown, GW_OWNER), dialog);
    EXPECT_FALSE(IsWindowEnabled(dialog));
    const HWND bar = GetDlgItem(shown, win32::kBatchProgressBar);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 400);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 1000);
    wchar_t count[32] = {};
    GetDlgItemTextW(shown, win32::kBatchProgressCount, count, 32);
    EXPECT_EQ(U(count), u"400 / 1000");

    window.BatchFinished();
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(IsWindowEnabled(dialog));
    Close();
  });
}

}  // namespace
}  // namespace tempinex

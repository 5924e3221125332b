// The dialog shell: construction, routing, initialisation, system commands and Cancel.

#include "tempinex_dlg.hpp"

#include "about_dlg.hpp"
#include "control_ids.hpp"
#include "string_table.hpp"

namespace tempinex {

namespace {

constexpr int kSystemCommandMask = 0xFFF0;  // the low four bits belong to the system
constexpr int kNameColumnWidth = 300;
constexpr int kTypeColumnWidth = 270;

}  // namespace

CTempinexDlg::CTempinexDlg(CTempinexApp& app, IDialogControls& controls, IShellInfo& shell,
                           std::vector<std::u16string> commandLine)
    : app(app),
      controls(controls),
      files(shell, controls),
      commandLine(std::move(commandLine)),
      net(controls, app.AppName()),
      dispatcher(net) {
  files.SetProgress(&controls);
  RouteShell();
  RouteRows();
  RouteAttributes();
  RouteLoading();
  RouteApply();
}

bool CTempinexDlg::Notify(const Notification& notification) {
  return dispatcher.Dispatch(notification);
}

// Each unit of the dialog routes its own notifications; the shell routes the window's.
void CTempinexDlg::RouteShell() {
  dispatcher.RouteAny(Event::kInitDialog, [this](const Notification&) { OnInitDialog(); });
  dispatcher.RouteAny(Event::kSysCommand, [this](const Notification& n) { OnSysCommand(n.id); });
  dispatcher.Route(ids::kCancel, Event::kClicked, [this](const Notification&) { OnCancel(); });
  dispatcher.Route(ids::kLoadTimesCommand, Event::kSysCommand,
                   [this](const Notification&) { OnLoadTimesFromFile(); });
}

void CTempinexDlg::OnInitDialog() {
  AddAboutItem();
  AddLoadTimesItem();
  controls.SetDialogIcon(ids::kProgramIcon);
  SetUpInformationList();
  LoadCommandLine();
}

void CTempinexDlg::AddAboutItem() {
  if (!controls.HasSystemMenu()) {
    return;
  }
  std::u16string text = LoadResourceString(ids::kAboutMenuString);
  if (text.empty()) {
    return;
  }
  controls.AppendSystemMenuSeparator();
  controls.AppendSystemMenuItem(ids::kAboutCommand, text);
}

void CTempinexDlg::SetUpInformationList() {
  controls.ListInsertColumn(ids::kInfoList, 0, u"ファイル名", kNameColumnWidth);
  controls.ListInsertColumn(ids::kInfoList, 1, u"ファイルタイプ", kTypeColumnWidth);
}

void CTempinexDlg::OnSysCommand(int command) {
  if ((command & kSystemCommandMask) != ids::kAboutCommand) {
    dispatcher.Decline();  // move, close and the rest: the platform's default processing
    return;
  }
  CAboutDlg about;
  about.DoModal(controls);
}

void CTempinexDlg::OnCancel() {
  controls.EndDialog(ids::kCancel);
}

}  // namespace tempinex

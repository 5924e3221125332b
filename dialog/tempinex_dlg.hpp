#pragma once

#include <string>
#include <vector>

#include "dialog_controls.hpp"
#include "dispatcher.hpp"
#include "file_operate.hpp"
#include "safety_net.hpp"
#include "tempinex_app.hpp"

namespace tempinex {

// The main dialog (template 102). It owns the file set and the routing of every notification
// of its window; the window itself is reached only through IDialogControls.
class CTempinexDlg : public INotificationSink {
 public:
  CTempinexDlg(CTempinexApp& app, IDialogControls& controls, IShellInfo& shell,
               std::vector<std::u16string> commandLine);

  // The window calls this for every notification; it runs the routed handler, guarded.
  bool Notify(const Notification& notification) override;

 private:
  void RouteShell();

  // Dialog shell handlers.
  void OnInitDialog();
  void OnSysCommand(int command);
  void OnCancel();

  void AddAboutItem();
  void SetUpInformationList();

  CTempinexApp& app;
  IDialogControls& controls;
  CFileOperate files;
  // The paths after the program name, as written; the file-loading unit loads them at init.
  std::vector<std::u16string> commandLine;
  SafetyNet net;
  Dispatcher dispatcher;
};

}  // namespace tempinex

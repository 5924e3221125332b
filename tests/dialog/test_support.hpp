#pragma once

// What the dialog tests share: a recording answer to message boxes and the open-file dialog,
// a private settings folder, and the real main window with its dialog.

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "prompts.hpp"
#include "qt_dialog_window.hpp"
#include "qt_settings_store.hpp"
#include "qt_shell_info.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex::test {

class RecordingPrompts : public qt::IPrompts {
 public:
  struct Message {
    std::u16string caption;
    std::u16string text;
    MessageIcon icon;
    bool systemModal;
    bool ownerVisible;  // whether the window the box belongs to was still shown
  };

  void ShowMessage(QWidget* owner, const std::u16string& caption, const std::u16string& text,
                   MessageIcon icon, bool systemModal) override {
    messages.push_back({caption, text, icon, systemModal, owner != nullptr && owner->isVisible()});
  }

  std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      QWidget*, const std::u16string& caption, const std::u16string& pattern) override {
    fileDialogs.push_back(caption + u"|" + pattern);
    if (answers.empty()) {
      return std::nullopt;  // an unplanned dialog is cancelled
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<std::u16string> ChooseFileToOpen(QWidget*, const std::u16string& caption,
                                                 const std::u16string& pattern) override {
    singleFileDialogs.push_back(caption + u"|" + pattern);
    if (singleAnswers.empty()) {
      return std::nullopt;
    }
    auto answer = singleAnswers.front();
    singleAnswers.pop_front();
    return answer;
  }

  std::vector<Message> messages;
  std::vector<std::u16string> fileDialogs;
  std::deque<std::optional<std::vector<std::u16string>>> answers;
  std::vector<std::u16string> singleFileDialogs;
  std::deque<std::optional<std::u16string>> singleAnswers;
};

// Records every notification of a window and hands it on to the dialog behind.
class RecordingSink : public INotificationSink {
 public:
  bool Notify(const Notification& notification) override {
    seen.push_back(notification);
    return target != nullptr && target->Notify(notification);
  }
  INotificationSink* target = nullptr;
  std::vector<Notification> seen;
};

// A folder for the settings written outside any sandbox (Qt's own file dialog keeps its state
// there), removed when the test program ends, so that no test writes the user's settings.
QString RunSettingsRoot();

// Points the user's settings of QSettings' native format at a fresh folder for one test, and
// back at the run's folder afterwards: a setting written later must not bring it back.
class SettingsSandbox {
 public:
  SettingsSandbox() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Root()); }
  ~SettingsSandbox() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, RunSettingsRoot());
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;
  QString Root() const { return folder.path(); }
  QString FileOf(const QString& application) const {
    return Root() + QStringLiteral("/kanorem/") + application + QStringLiteral(".conf");
  }
  // Writes the settings file of an application as raw bytes.
  void WriteFile(const QString& application, const QByteArray& bytes) const;

 private:
  QTemporaryDir folder;
};

// The program's main dialog in its real window, opened (not run modally) so tests can drive it.
class MainDialogHarness {
 public:
  // commandLine: the paths after the program name, as the program would be started with them.
  explicit MainDialogHarness(std::vector<std::u16string> commandLine = {});
  ~MainDialogHarness();

  QWidget* Control(int id) const { return window->Control(id); }

  SettingsSandbox sandbox;
  RecordingPrompts prompts;
  qt::QtSettingsStore store;
  qt::QtShellInfo shell;
  CTempinexApp app;
  std::unique_ptr<qt::QtDialogWindow> window;
  std::unique_ptr<CTempinexDlg> dialog;
  RecordingSink notifications;
};

}  // namespace tempinex::test

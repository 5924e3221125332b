// The safety net around every notification: each error kind abandons its handler, leaves the
// dialog open and is shown once in a box titled with the application name; a validation
// nested in another handler's text write is caught at its own level.

#include <QPushButton>
#include <QtTest/QTest>
#include <functional>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "dialog_font.hpp"
#include "dispatcher.hpp"
#include "errors.hpp"
#include "test_support.hpp"

namespace tempinex::test {
namespace {

// The real window with a routing table of handlers under test behind it.
class GuardedWindow : public INotificationSink {
 public:
  GuardedWindow()
      : window(prompts, qt::ChooseDialogFont()), net(window, u"Tempinex64"), dispatcher(net) {
    window.Open(*this);
  }
  ~GuardedWindow() override { window.hide(); }

  bool Notify(const Notification& notification) override {
    return dispatcher.Dispatch(notification);
  }

  void ClickBrowseRaising(std::function<void()> raise) {
    dispatcher.Route(ids::kBrowse, Event::kClicked, [this, raise](const Notification&) {
      ++started;
      raise();
      ++finished;
    });
    QTest::mouseClick(window.Control(ids::kBrowse), Qt::LeftButton);
  }

  const RecordingPrompts::Message& OnlyMessage() const {
    EXPECT_EQ(prompts.messages.size(), 1u);
    return prompts.messages.back();
  }

  RecordingPrompts prompts;
  qt::QtDialogWindow window;
  SafetyNet net;
  Dispatcher dispatcher;
  int started = 0;
  int finished = 0;
};

TEST(SafetyNetTest, FileErrorShowsTheTextOfItsCauseWithThePath) {
  GuardedWindow guarded;
  guarded.ClickBrowseRaising([] { throw FileError(ErrorCause::kFileNotFound, 2, u"/tmp/a.txt"); });
  const auto& message = guarded.OnlyMessage();
  EXPECT_EQ(message.caption, u"Tempinex64");
  EXPECT_EQ(message.text, u"/tmp/a.txt が見つかりませんでした。");
  EXPECT_EQ(message.icon, MessageIcon::kError);
  EXPECT_FALSE(message.systemModal);
  EXPECT_EQ(guarded.started, 1);
  EXPECT_EQ(guarded.finished, 0);  // the rest of the handler is abandoned
  EXPECT_TRUE(guarded.window.isVisible());
}

TEST(SafetyNetTest, FileErrorOfAFileThatCouldNotBePutBackSaysItMayBeHalfWritten) {
  const std::u16string text = FileErrorText(FileError(ErrorCause::kHardwareIO, 5, u"/a", true));
  EXPECT_EQ(
      text,
      u"/a へのアクセス中にハードウェア I/O エラーが報告されました。\r\n"
      u"元に戻すこともできなかったため、このファイルは一部だけ変更された状態の可能性があります。");
}

TEST(SafetyNetTest, FileErrorWithoutPathNamesAnUntitledFile) {
  GuardedWindow guarded;
  guarded.ClickBrowseRaising([] { throw FileError(ErrorCause::kAccessDenied, 13); });
  EXPECT_EQ(guarded.OnlyMessage().text, u"無題のファイル へのアクセスは拒否されました。");
}

TEST(SafetyNetTest, EveryFileErrorCauseHasItsOwnText) {
  std::vector<std::u16string> texts;
  for (int cause = 0; cause <= 14; ++cause) {
    texts.push_back(FileErrorText(FileError(static_cast<ErrorCause>(cause), 0, u"X:F")));
    // Every cause but "no error" names the file.
    EXPECT_EQ(texts.back().find(u"X:F") != std::u16string::npos, cause != 0) << cause;
    EXPECT_EQ(texts.back().find(u"%1"), std::u16string::npos) << cause;
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
  EXPECT_EQ(FileErrorText(FileError(ErrorCause::kNone, 0)), u"エラーはありませんでした。");
  EXPECT_EQ(FileErrorText(FileError(ErrorCause::kEndOfFile, 0, u"b")),
            u"b の末尾以降にアクセスしようとしました。");
}

TEST(SafetyNetTest, ResultCodesShowOurDescriptionOrTheFallback) {
  for (std::uint32_t code : {kResultFail, kResultInvalidArg}) {
    GuardedWindow guarded;
    guarded.ClickBrowseRaising([code] { throw ResultCodeError(code); });
    const auto& message = guarded.OnlyMessage();
    EXPECT_EQ(message.icon, MessageIcon::kError);
    EXPECT_FALSE(message.text.empty());
    EXPECT_EQ(message.text, OwnResultCodeText(code));
  }
  EXPECT_NE(OwnResultCodeText(kResultFail), OwnResultCodeText(kResultInvalidArg));

  GuardedWindow unknown;
  unknown.ClickBrowseRaising([] { throw ResultCodeError(0x80004001); });
  EXPECT_EQ(unknown.OnlyMessage().text, u"アプリケーションの内部エラーです。");
}

TEST(SafetyNetTest, ResultCodeFromAMenuCommandFallsBackToCommandFailed) {
  GuardedWindow guarded;
  guarded.dispatcher.RouteAny(Event::kSysCommand,
                              [](const Notification&) { throw ResultCodeError(0x8000FFFF); });
  guarded.Notify({ids::kAboutCommand, Event::kSysCommand});
  EXPECT_EQ(guarded.OnlyMessage().text, u"コマンドの実行に失敗しました。");
}

TEST(SafetyNetTest, InvalidArgumentShowsAStop) {
  GuardedWindow guarded;
  guarded.ClickBrowseRaising([] { throw InvalidArgumentError(); });
  EXPECT_EQ(guarded.OnlyMessage().text, u"引数が正しくありません。");
  EXPECT_EQ(guarded.OnlyMessage().icon, MessageIcon::kError);
}

TEST(SafetyNetTest, OutOfMemoryIsASystemModalExclamation) {
  GuardedWindow ours;
  ours.ClickBrowseRaising([] { throw OutOfMemoryError(); });
  GuardedWindow library;
  library.ClickBrowseRaising([] { throw std::bad_alloc(); });
  for (GuardedWindow* guarded : {&ours, &library}) {
    const auto& message = guarded->OnlyMessage();
    EXPECT_EQ(message.text, u"メモリが不足しています。");
    EXPECT_EQ(message.icon, MessageIcon::kExclamation);
    EXPECT_TRUE(message.systemModal);
    EXPECT_EQ(message.caption, u"Tempinex64");
  }
}

TEST(SafetyNetTest, DialogKeepsWorkingAfterAnError) {
  GuardedWindow guarded;
  guarded.ClickBrowseRaising([] { throw InvalidArgumentError(); });
  guarded.ClickBrowseRaising([] {});
  EXPECT_EQ(guarded.prompts.messages.size(), 1u);
  EXPECT_EQ(guarded.finished, 1);
}

TEST(SafetyNetTest, ErrorInANestedValidationIsShownAndTheOuterHandlerGoesOn) {
  GuardedWindow guarded;
  int validations = 0;
  guarded.dispatcher.Route(ids::kFileName, Event::kTextChanged, [&](const Notification&) {
    ++validations;
    throw FileError(ErrorCause::kSharingViolation, 32, u"/data/x");
  });
  guarded.ClickBrowseRaising([&] {
    guarded.window.SetText(ids::kFileName, u"new name");  // its validation raises inside
    guarded.window.SetText(ids::kExtension, u"after");
  });
  EXPECT_EQ(validations, 1);
  EXPECT_EQ(guarded.OnlyMessage().text, u"/data/x へのアクセス中に共有違反が発生しました。");
  EXPECT_EQ(guarded.finished, 1);  // the outer handler ran to its end
  EXPECT_EQ(guarded.window.GetText(ids::kExtension), u"after");
  EXPECT_EQ(guarded.window.GetText(ids::kFileName), u"new name");
}

TEST(SafetyNetTest, ErrorAfterANestedValidationStillAbandonsTheOuterHandler) {
  GuardedWindow guarded;
  guarded.dispatcher.Route(ids::kFileName, Event::kTextChanged, [](const Notification&) {});
  guarded.ClickBrowseRaising([&] {
    guarded.window.SetText(ids::kFileName, u"a");
    throw ResultCodeError(kResultInvalidArg);
  });
  EXPECT_EQ(guarded.prompts.messages.size(), 1u);
  EXPECT_EQ(guarded.finished, 0);
}

}  // namespace
}  // namespace tempinex::test

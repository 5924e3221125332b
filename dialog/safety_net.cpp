#include "safety_net.hpp"

#include <array>
#include <new>

namespace tempinex {

namespace {

constexpr std::array<const char16_t*, 15> kFileErrorTexts = {
    u"エラーはありませんでした。",
    u"%1 へのアクセス中に不明なエラーが発生しました。",
    u"%1 が見つかりませんでした。",
    u"%1 に正しくないパスが含まれています。",
    u"開いているファイルが多すぎるため、%1 を開けませんでした。",
    u"%1 へのアクセスは拒否されました。",
    u"正しくないファイル ハンドルが %1 に関連付けられていました。",
    u"現在のディレクトリ %1 は削除できませんでした。",
    u"%1 を作成できませんでした。そのディレクトリはいっぱいです。",
    u"%1 のシークに失敗しました。",
    u"%1 へのアクセス中にハードウェア I/O エラーが報告されました。",
    u"%1 へのアクセス中に共有違反が発生しました。",
    u"%1 へのアクセス中にロック違反が発生しました。",
    u"%1 へのアクセス中にディスクがいっぱいになりました。",
    u"%1 の末尾以降にアクセスしようとしました。",
};

constexpr char16_t kUntitledFile[] = u"無題のファイル";
// Added when a write failed half-way and the file could not be put back as it was.
constexpr char16_t kMayBeHalfWritten[] =
    u"元に戻すこともできなかったため、このファイルは一部だけ変更された状態の可能性があります。";
constexpr char16_t kCommandFailed[] = u"コマンドの実行に失敗しました。";
constexpr char16_t kInternalError[] = u"アプリケーションの内部エラーです。";

struct ResultDescription {
  std::uint32_t code;
  const char16_t* text;
};
constexpr ResultDescription kResultDescriptions[] = {
    {kResultFail, u"処理を完了できませんでした。原因を特定できないエラーです。"},
    {kResultInvalidArg, u"パラメーターが正しくありません。"},
};

std::u16string ReplacePlaceholder(std::u16string text, const std::u16string& value) {
  std::size_t at = text.find(u"%1");
  if (at != std::u16string::npos) {
    text.replace(at, 2, value);
  }
  return text;
}

}  // namespace

std::u16string FileErrorText(const FileError& error) {
  auto cause = static_cast<std::size_t>(error.cause);
  // A cause outside the table is reported like an unknown error rather than not at all.
  const char16_t* pattern =
      cause < kFileErrorTexts.size() ? kFileErrorTexts[cause] : kFileErrorTexts[1];
  std::u16string text =
      ReplacePlaceholder(pattern, error.path.empty() ? kUntitledFile : error.path);
  if (error.mayBeHalfWritten) {
    text += u"\r\n";
    text += kMayBeHalfWritten;
  }
  return text;
}

std::u16string OwnResultCodeText(std::uint32_t code) {
  for (const ResultDescription& description : kResultDescriptions) {
    if (description.code == code) {
      return description.text;
    }
  }
  return {};
}

SafetyNet::SafetyNet(IDialogControls& window, std::u16string caption)
    : window(window), caption(std::move(caption)) {}

std::u16string SafetyNet::ResultCodeText(std::uint32_t code, CommandSource source) const {
  std::u16string text = window.SystemResultCodeText(code);
  if (text.empty()) {
    text = source == CommandSource::kMenu ? kCommandFailed : kInternalError;
  }
  return text;
}

bool SafetyNet::Run(const std::function<void()>& handler, CommandSource source) {
  try {
    handler();
    return true;
  } catch (const FileError& error) {
    window.ShowMessage(caption, FileErrorText(error), MessageIcon::kError);
  } catch (const ResultCodeError& error) {
    // A code from a file's status comes after the file's name, as in the failure report.
    const std::u16string text = ResultCodeText(error.code, source);
    window.ShowMessage(caption, error.path.empty() ? text : error.path + u"\r\n" + text,
                       MessageIcon::kError);
  } catch (const InvalidArgumentError&) {
    window.ShowMessage(caption, kInvalidArgumentText, MessageIcon::kError);
  } catch (const std::bad_alloc&) {
    // OutOfMemoryError derives from std::bad_alloc. The box is system-modal: with memory
    // short, the user should deal with it before anything else.
    window.ShowMessage(caption, kOutOfMemoryText, MessageIcon::kExclamation, true);
  }
  return false;
}

}  // namespace tempinex

// Path resolution and error texts of the Linux platform layer. Paths are resolved lexically,
// like the Windows call they stand for: symbolic links are not followed and the file need
// not exist.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "file_name.hpp"
#include "platform.hpp"

namespace tempinex::platform {

namespace {

NativeError CurrentDirectory(std::u16string& directory) {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return errno;
    }
    buffer.resize(buffer.size() * 2);
  }
  directory = DecodeFileName(buffer.data());
  return 0;
}

// True for an absolute path with nothing to fold: no empty, "." or ".." component (a
// trailing separator aside).
bool IsFolded(std::u16string_view path) {
  if (path.empty() || path.front() != u'/') {
    return false;
  }
  std::size_t start = 1;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find(u'/', start), path.size());
    const std::u16string_view part = path.substr(start, end - start);
    if (part.empty() || part == u"." || part == u"..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// Folds "." and ".." and repeated separators of an absolute path.
std::u16string FoldComponents(const std::u16string& absolute) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find(u'/', start);
    if (end == std::u16string::npos) {
      end = absolute.size();
    }
    const std::u16string part = absolute.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::u16string folded;
  for (const std::u16string& part : parts) {
    folded += u'/';
    folded += part;
  }
  return folded.empty() ? u"/" : folded;
}

struct ErrorText {
  int error;
  const char16_t* text;
};

const ErrorText kErrorTexts[] = {
    {EEXIST, u"同じ名前のファイルが既にあります。"},
    {ENOENT, u"ファイルが見つかりません。"},
    {EACCES, u"アクセスが拒否されました。"},
    {EPERM, u"この操作は許可されていません。"},
    {EROFS, u"読み取り専用のファイル システムです。"},
    {EINVAL, u"ファイル名が正しくありません。"},
    {ENAMETOOLONG, u"ファイル名が長すぎます。"},
    {EXDEV, u"別のボリュームへは移動できません。"},
    {EBUSY, u"ファイルは使用中です。"},
    {ENOSPC, u"ディスクの空き領域が足りません。"},
    {ENOTDIR, u"パスの途中がフォルダーではありません。"},
    {EISDIR, u"フォルダーです。"},
    {ENOTSUP, u"このファイル システムでは保存できません。"},
};

}  // namespace

ErrorCause CauseOf(NativeError error) {
  return CauseFromErrno(error);
}

NativeError InvalidNameError() {
  return EINVAL;
}

NativeError AccessDeniedError() {
  return EACCES;
}

std::u16string DescribeError(NativeError error) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.error == error) {
      return entry.text;
    }
  }
  return Utf16FromUtf8(std::strerror(error));
}

NativeError GetFullPathName(const std::u16string& path, std::u16string& full,
                            std::size_t& lastComponent) {
  if (path.empty()) {
    return ENOENT;
  }
  if (IsFolded(path)) {
    full = path;  // the common case: already absolute and clean
  } else {
    std::u16string absolute = path;
    if (path.front() != u'/') {
      std::u16string directory;
      if (NativeError error = CurrentDirectory(directory); error != 0) {
        return error;
      }
      absolute = directory + u'/' + path;
    }
    full = FoldComponents(absolute);
    // A trailing separator stays, as the Windows call keeps a trailing backslash.
    if (path.back() == u'/' && full != u"/") {
      full += u'/';
    }
  }
  const std::size_t slash = full.rfind(u'/');
  lastComponent = slash + 1 < full.size() ? slash + 1 : std::u16string::npos;
  return 0;
}

std::u16string RootOf(const std::u16string& fullPath) {
  return fullPath.empty() || fullPath.front() != u'/' ? std::u16string() : std::u16string(u"/");
}

bool IsNetworkRoot(const std::u16string&) {
  return false;
}

NativeError GetVolumeFlags(const std::u16string&, std::uint32_t& flags) {
  // Linux file systems keep names as given: case preserved, no separate Unicode form.
  flags = kVolumeCasePreserved | kVolumeUnicodeStored;
  return 0;
}

NativeError FindStoredName(const std::u16string& path, std::u16string& name) {
  const std::size_t slash = path.rfind(u'/');
  name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  return 0;
}

std::u16string UpperCase(const std::u16string& text) {
  std::u16string upper = text;
  for (char16_t& unit : upper) {
    if (unit >= u'a' && unit <= u'z') {
      unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
  }
  return upper;
}

std::u16string ShortPathName(const std::u16string& fullPath) {
  return fullPath;
}

}  // namespace tempinex::platform

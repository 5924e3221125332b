#include "qt_shell_info.hpp"

#include <sys/stat.h>

#include <QFile>

#include "file_name.hpp"
#include "text_convert.hpp"

namespace tempinex::qt {

namespace {

using Kind = EntryKind;

// lstat first: a link whose target is gone is still listed under its own name.
Kind LookUpKind(const std::u16string& path) {
  const auto native = EncodeFileName(path);
  struct stat info {};
  if (!native || lstat(native->c_str(), &info) != 0) {
    return Kind::kMissing;
  }
  const bool directory =
      S_ISDIR(info.st_mode) ||
      (S_ISLNK(info.st_mode) && stat(native->c_str(), &info) == 0 && S_ISDIR(info.st_mode));
  return directory ? Kind::kDirectory : Kind::kOther;
}

std::u16string_view FileNameOf(std::u16string_view path) {
  while (path.size() > 1 && path.back() == u'/') {
    path.remove_suffix(1);
  }
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

QString NativePath(const std::u16string& path) {
  std::optional<std::string> bytes = EncodeFileName(path);
  if (!bytes) {
    return {};
  }
  return QFile::decodeName(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
}

void QtShellInfo::BeginManyQuestions(const std::vector<std::u16string>& paths) {
  listings.Prepare(paths);
}

void QtShellInfo::EndManyQuestions() {
  listings.Clear();
}

EntryKind QtShellInfo::KindOf(const std::u16string& path) const {
  const std::optional<EntryKind> listed = listings.Find(path);
  return listed ? *listed : LookUpKind(path);
}

std::u16string QtShellInfo::DisplayName(const std::u16string& path) {
  const Kind kind = KindOf(path);
  kindPath = path;
  kindOfPath = static_cast<int>(kind);
  // The name part of our own UTF-16 path keeps bytes that Qt's decoding would lose.
  return kind == Kind::kMissing ? std::u16string() : std::u16string(FileNameOf(path));
}

std::u16string QtShellInfo::TypeName(const std::u16string& path) {
  // Only the question right after the display name of the same path reuses its answer.
  const Kind kind =
      !kindPath.empty() && kindPath == path ? static_cast<Kind>(kindOfPath) : KindOf(path);
  kindPath.clear();
  if (kind == Kind::kMissing) {
    return {};
  }
  // By name only, never by contents. Names that share a type share a key: "/" for folders,
  // the complete suffix (everything after the first dot), or ":" for names without a dot that
  // no glob matches (the default type); every other name is asked about as ":" and itself.
  const std::u16string_view name = FileNameOf(path);
  const QStringView nameView(name.data(), static_cast<qsizetype>(name.size()));
  // The glob lists are read once a second file is asked about: a single file (the program
  // started on one) is asked about as itself.
  const bool firstFile = typeNameByKey.empty();
  if (!globs && !firstFile && kind != Kind::kDirectory) {
    globs = std::make_unique<NameGlobs>();
  }
  const std::size_t dot = name.find(u'.');
  std::u16string wholeName;
  std::u16string_view key;
  if (kind == Kind::kDirectory) {
    key = u"/";
  } else if (!globs || globs->MayMatchWholeName(nameView) || dot + 1 == name.size()) {
    wholeName = u":" + std::u16string(name);  // "name." and the like are asked as they are, too
    key = wholeName;
  } else if (dot == std::u16string_view::npos) {
    key = u":";
  } else {
    key = name.substr(dot + 1);
  }
  auto cached = typeNameByKey.find(key);
  if (cached == typeNameByKey.end()) {
    const QMimeType type =
        kind == Kind::kDirectory
            ? database.mimeTypeForName(QStringLiteral("inode/directory"))
            : database.mimeTypeForFile(nameView.toString(), QMimeDatabase::MatchExtension);
    // Some comments end in a blank.
    cached = typeNameByKey.emplace(key, ToU16(type.comment().trimmed())).first;
  }
  return cached->second;
}

}  // namespace tempinex::qt

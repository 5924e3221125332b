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

std::u16string FileNameOf(std::u16string path) {
  while (path.size() > 1 && path.back() == u'/') {
    path.pop_back();
  }
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
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
  return kind == Kind::kMissing ? std::u16string() : FileNameOf(path);
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
  const QString name = ToQString(FileNameOf(path));
  // The glob lists are read once a second file is asked about: a single file (the program
  // started on one) is asked about as itself.
  const bool firstFile = typeNameByKey.isEmpty();
  if (!globs && !firstFile && kind != Kind::kDirectory) {
    globs = std::make_unique<NameGlobs>();
  }
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  QString key;
  if (kind == Kind::kDirectory) {
    key = QStringLiteral("/");
  } else if (!globs || globs->MayMatchWholeName(name) || dot == name.size() - 1) {
    key = QLatin1Char(':') + name;  // "name." and the like are asked as they are, too
  } else if (dot < 0) {
    key = QStringLiteral(":");
  } else {
    key = name.mid(dot + 1);
  }
  auto cached = typeNameByKey.constFind(key);
  if (cached == typeNameByKey.constEnd()) {
    const QMimeType type = kind == Kind::kDirectory
                               ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                               : database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    // Some comments end in a blank.
    cached = typeNameByKey.insert(key, type.comment().trimmed());
  }
  return ToU16(*cached);
}

}  // namespace tempinex::qt

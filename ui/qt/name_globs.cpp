#include "name_globs.hpp"

#include <QFile>
#include <QStandardPaths>
#include <algorithm>

namespace tempinex::qt {

namespace {

bool HasWildcard(const QString& glob) {
  return glob.contains(QLatin1Char('*')) || glob.contains(QLatin1Char('?')) ||
         glob.contains(QLatin1Char('['));
}

// The literal text before the first wildcard, and after the last one.
QString LiteralPrefix(const QString& glob) {
  qsizetype end = 0;
  while (end < glob.size() && glob[end] != QLatin1Char('*') && glob[end] != QLatin1Char('?') &&
         glob[end] != QLatin1Char('[')) {
    ++end;
  }
  return glob.left(end);
}

QString LiteralSuffix(const QString& glob) {
  qsizetype start = glob.size();
  while (start > 0 && glob[start - 1] != QLatin1Char('*') && glob[start - 1] != QLatin1Char('?') &&
         glob[start - 1] != QLatin1Char(']')) {
    --start;
  }
  return glob.mid(start);
}

char16_t AsciiLower(QChar letter) {
  const char16_t unit = letter.unicode();
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

// The end letter of a glob's literal part in lower case, when it is ASCII; 0 otherwise.
char16_t AsciiEnd(QChar letter) {
  return letter.unicode() < 0x80 ? AsciiLower(letter) : 0;
}

bool IsAscii(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

NameGlobs::NameGlobs() {
  // The same lists update-mime-database writes for every program that reads the database.
  const QStringList files =
      QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("mime/globs2"));
  for (const QString& file : files) {
    ReadGlobs(file);
  }
}

// Lines read "weight:type:glob[:flags]". Case-sensitive globs are kept as if they were not:
// a "may match" too many only costs a look-up.
void NameGlobs::ReadGlobs(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    return;
  }
  known = true;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
      continue;
    }
    const QStringList fields = line.split(QLatin1Char(':'));
    if (fields.size() < 3) {
      continue;
    }
    const QString& glob = fields[2];
    if (glob.startsWith(QLatin1String("*."))) {
      continue;  // decided by the complete suffix
    }
    if (HasWildcard(glob)) {
      // Anchored at both ends; names hold no separator, so path rules do not matter here.
      Pattern pattern{LiteralPrefix(glob), LiteralSuffix(glob),
                      QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob),
                                         QRegularExpression::CaseInsensitiveOption)};
      pattern.first = pattern.prefix.isEmpty() ? 0 : AsciiEnd(pattern.prefix.front());
      pattern.last = pattern.suffix.isEmpty() ? 0 : AsciiEnd(pattern.suffix.back());
      patterns.push_back(std::move(pattern));
    } else {
      const QString lower = glob.toLower();
      literalNames.insert(lower);
      if (!lower.isEmpty()) {
        literalShapes.push_back({lower.size(), AsciiEnd(lower.front()), AsciiEnd(lower.back())});
      }
    }
  }
}

// A name of a hundred thousand in a large set: most are ruled out by their length and their
// first and last letters, without a string made or a pattern run.
bool NameGlobs::MayMatchWholeName(QStringView name) const {
  if (!known) {
    return true;
  }
  const bool ascii = IsAscii(name);
  if (MayMatchLiteral(name, ascii)) {
    return true;
  }
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const Pattern& pattern) { return MayMatchPattern(pattern, name, ascii); });
}

bool NameGlobs::MayMatchLiteral(QStringView name, bool ascii) const {
  if (ascii && !name.isEmpty() &&
      std::none_of(literalShapes.begin(), literalShapes.end(), [&](const Shape& shape) {
        return shape.length == name.size() &&
               (shape.first == 0 || shape.first == AsciiLower(name.front())) &&
               (shape.last == 0 || shape.last == AsciiLower(name.back()));
      })) {
    return false;
  }
  return literalNames.contains(name.toString().toLower());
}

bool NameGlobs::MayMatchPattern(const Pattern& pattern, QStringView name, bool ascii) {
  if (ascii && !name.isEmpty() &&
      ((pattern.first != 0 && AsciiLower(name.front()) != pattern.first) ||
       (pattern.last != 0 && AsciiLower(name.back()) != pattern.last))) {
    return false;
  }
  return name.startsWith(pattern.prefix, Qt::CaseInsensitive) &&
         name.endsWith(pattern.suffix, Qt::CaseInsensitive) &&
         pattern.expression.match(name.toString()).hasMatch();
}

}  // namespace tempinex::qt

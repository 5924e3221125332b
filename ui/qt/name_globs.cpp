#include "name_globs.hpp"

#include <QFile>
#include <QStandardPaths>

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
      patterns.push_back({LiteralPrefix(glob), LiteralSuffix(glob),
                          QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob),
                                             QRegularExpression::CaseInsensitiveOption)});
    } else {
      literalNames.insert(glob.toLower());
    }
  }
}

bool NameGlobs::MayMatchWholeName(const QString& name) const {
  if (!known || literalNames.contains(name.toLower())) {
    return true;
  }
  for (const Pattern& pattern : patterns) {
    if (name.startsWith(pattern.prefix, Qt::CaseInsensitive) &&
        name.endsWith(pattern.suffix, Qt::CaseInsensitive) &&
        pattern.expression.match(name).hasMatch()) {
      return true;
    }
  }
  return false;
}

}  // namespace tempinex::qt

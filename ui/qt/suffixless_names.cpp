#include "suffixless_names.hpp"

#include <QFile>
#include <QStandardPaths>

namespace tempinex::qt {

namespace {

bool HasWildcard(const QString& glob) {
  return glob.contains(QLatin1Char('*')) || glob.contains(QLatin1Char('?')) ||
         glob.contains(QLatin1Char('['));
}

}  // namespace

SuffixlessNames::SuffixlessNames() {
  // The same lists update-mime-database writes for every program that reads the database.
  const QStringList files =
      QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("mime/globs2"));
  for (const QString& file : files) {
    ReadGlobs(file);
  }
}

// Lines read "weight:type:glob[:flags]". A pattern needs a dot in the name when it holds a
// literal dot outside a bracket expression; those are left out.
void SuffixlessNames::ReadGlobs(const QString& path) {
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
    const bool needsDot = glob.contains(QLatin1Char('.')) && !glob.contains(QLatin1Char('['));
    if (needsDot) {
      continue;
    }
    if (HasWildcard(glob)) {
      // Anchored at both ends; names hold no separator, so path rules do not matter here.
      patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(glob),
                            QRegularExpression::CaseInsensitiveOption);
    } else {
      literalNames.insert(glob.toLower());
    }
  }
}

bool SuffixlessNames::MayHaveOwnType(const QString& name) const {
  if (!known || literalNames.contains(name.toLower())) {
    return true;
  }
  for (const QRegularExpression& pattern : patterns) {
    if (pattern.match(name).hasMatch()) {
      return true;
    }
  }
  return false;
}

}  // namespace tempinex::qt

#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringView>
#include <vector>

namespace tempinex::qt {

// Asking the MIME database for the type of a name takes tens of microseconds, and a large set
// holds many names but few types. This reads the database's own glob lists to tell when a name's
// type is shared: globs that begin with "*." look only at the name from its first dot on, so
// names with the same complete suffix share their type; a name without a dot that no glob
// matches has the default type. Every other glob (literal names such as CMakeLists.txt, and
// patterns such as makefile.* or *~) may look at the whole name, which must then be asked
// about on its own.
class NameGlobs {
 public:
  NameGlobs();

  // False only when no glob that looks at the whole name can match `name`. True when one may,
  // or when the glob lists could not be read.
  bool MayMatchWholeName(QStringView name) const;

 private:
  struct Pattern {
    QString prefix;  // what every match begins and ends with, to rule most names out quickly
    QString suffix;
    QRegularExpression expression;  // case-insensitive
    // The first letter of prefix and the last of suffix in lower case; 0 when that end is a
    // wildcard or not ASCII, and so rules nothing out.
    char16_t first = 0;
    char16_t last = 0;
  };

  void ReadGlobs(const QString& file);
  bool MayMatchLiteral(QStringView name, bool ascii) const;
  static bool MayMatchPattern(const Pattern& pattern, QStringView name, bool ascii);

  bool known = false;
  QSet<QString> literalNames;  // lower case
  // The length and the end letters (as in Pattern) of each of literalNames: a name in ASCII,
  // whose lower case keeps its length, that has none of these shapes is none of them.
  struct Shape {
    qsizetype length;
    char16_t first;
    char16_t last;
  };
  std::vector<Shape> literalShapes;
  std::vector<Pattern> patterns;
};

}  // namespace tempinex::qt

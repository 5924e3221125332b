#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <vector>

namespace tempinex::qt {

// Most names without a dot (data01, notes) match no pattern of the MIME database, yet asking
// the database takes tens of microseconds each, and such names are all different, so a cache
// does not help. This reads the database's own glob lists and says which names can match
// any of its patterns; the others have the default type.
class SuffixlessNames {
 public:
  SuffixlessNames();

  // False only when no glob can match `name` (which holds no dot). True when one may, or when
  // the glob lists could not be read.
  bool MayHaveOwnType(const QString& name) const;

 private:
  void ReadGlobs(const QString& file);

  bool known = false;
  QSet<QString> literalNames;                // lower case
  std::vector<QRegularExpression> patterns;  // case-insensitive
};

}  // namespace tempinex::qt

#pragma once

// The names of the files in the load benchmarks: numbered, with a mix of suffixes (one of them
// none) so that type names come from several MIME types, as in a real folder.

#include <QString>

namespace tempinex::bench {

inline QString LoadFileName(int index) {
  static const char* const kSuffixes[] = {".txt",    ".cpp", ".png",  ".pdf",
                                          ".tar.gz", "",     ".json", ".md"};
  return QStringLiteral("file%1%2")
      .arg(index, 6, 10, QLatin1Char('0'))
      .arg(QLatin1String(kSuffixes[index % 8]));
}

}  // namespace tempinex::bench

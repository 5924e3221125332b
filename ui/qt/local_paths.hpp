#pragma once

// File names arriving from outside the program, turned into the program's UTF-16 paths
// byte for byte, so that a name that is not valid UTF-8 still names its file.

#include <QList>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

namespace tempinex::qt {

// Every argument after the program name, in order, as written.
std::vector<std::u16string> PathsFromArguments(int argc, char** argv);

// The path of a local file URL; nothing for any other URL.
std::optional<std::u16string> PathFromUrl(const QUrl& url);

// The local files among dropped URLs, in drop order.
std::vector<std::u16string> PathsFromUrls(const QList<QUrl>& urls);

}  // namespace tempinex::qt

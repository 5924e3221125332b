#include "local_paths.hpp"

#include "file_name.hpp"

namespace tempinex::qt {

std::vector<std::u16string> PathsFromArguments(int argc, char** argv) {
  std::vector<std::u16string> paths;
  for (int i = 1; i < argc; ++i) {
    paths.push_back(DecodeFileName(argv[i]));
  }
  return paths;
}

std::optional<std::u16string> PathFromUrl(const QUrl& url) {
  if (url.scheme() != QLatin1String("file")) {
    return std::nullopt;
  }
  const QString host = url.host();
  if (!host.isEmpty() && host != QLatin1String("localhost")) {
    return std::nullopt;
  }
  // The encoded path keeps the original bytes as %XX; QUrl's decoded form would turn bytes
  // that are not UTF-8 into U+FFFD.
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (bytes.isEmpty()) {
    return std::nullopt;
  }
  return DecodeFileName(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

std::vector<std::u16string> PathsFromUrls(const QList<QUrl>& urls) {
  std::vector<std::u16string> paths;
  for (const QUrl& url : urls) {
    if (auto path = PathFromUrl(url)) {
      paths.push_back(std::move(*path));
    }
  }
  return paths;
}

}  // namespace tempinex::qt

#include "listed_names.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tempinex::cli {

namespace {

int ReadAll(int fd, std::string& text) {
  char buffer[65536];
  for (;;) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) {
      return 0;
    }
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

}  // namespace

bool ReadListedNames(const std::string& source, char separator, std::vector<std::string>& names,
                     std::string& why) {
  const bool standardInput = source == "-";
  const int fd = standardInput ? STDIN_FILENO : open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  std::string text;
  const int error = ReadAll(fd, text);
  if (!standardInput) {
    close(fd);
  }
  if (error != 0) {
    why = std::strerror(error);
    return false;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) {
      end = text.size();
    }
    if (end > start) {
      names.emplace_back(text, start, end - start);
    }
    start = end + 1;
  }
  return true;
}

}  // namespace tempinex::cli

#include "photo_time.hpp"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <exiv2/exiv2.hpp>

#include "messages.hpp"

namespace tempinex::cli {

namespace {

std::optional<std::string> Tag(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  return found == exif.end() ? std::nullopt : std::optional<std::string>(found->toString());
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// True when text has a digit wherever shape has '9' and shape's other characters elsewhere.
bool Shaped(const std::string& text, std::string_view shape) {
  if (text.size() != shape.size()) {
    return false;
  }
  for (std::size_t at = 0; at < shape.size(); ++at) {
    if (shape[at] == '9' ? !IsDigit(text[at]) : text[at] != shape[at]) {
      return false;
    }
  }
  return true;
}

// The EXIF texts as an ISO 8601 date-time: "2024:07:01 12:34:56", "25" and "+09:00" make
// 2024-07-01T12:34:56.25+09:00. A fraction or an offset that is blank or malformed is left
// out, as the standard says of unknown values.
std::string IsoText(std::string dateTime, const std::optional<std::string>& fraction,
                    const std::optional<std::string>& offset) {
  dateTime[4] = '-';
  dateTime[7] = '-';
  dateTime[10] = 'T';
  std::string digits;
  for (std::size_t at = 0;
       fraction && at < fraction->size() && IsDigit((*fraction)[at]) && digits.size() < 9; ++at) {
    digits += (*fraction)[at];
  }
  if (!digits.empty()) {
    dateTime += "." + digits;
  }
  if (offset && (Shaped(*offset, "+99:99") || Shaped(*offset, "-99:99"))) {
    dateTime += *offset;
  }
  return dateTime;
}

// The contents of a file open for reading as fd, mapped; the descriptor is closed with it.
class MappedFile {
 public:
  explicit MappedFile(int fd) : fd(fd) {
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
      return;
    }
    void* mapped =
        mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped != MAP_FAILED) {
      data = static_cast<const Exiv2::byte*>(mapped);
      size = static_cast<std::size_t>(info.st_size);
    }
  }
  ~MappedFile() {
    if (data != nullptr) {
      munmap(const_cast<Exiv2::byte*>(data), size);
    }
    if (fd >= 0) {
      close(fd);
    }
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const Exiv2::byte* data = nullptr;
  std::size_t size = 0;

 private:
  int fd = -1;
};

}  // namespace

std::optional<PreciseTime> ReadPhotoTime(int contents, std::string& why) {
  static const bool muted = [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    return true;
  }();
  (void)muted;
  // Read from memory: Exiv2's own opening by name reads "-" from standard input and fetches
  // names that look like web addresses.
  const MappedFile file(contents);
  Exiv2::Image::AutoPtr image;
  try {
    if (file.data != nullptr) {
      image = Exiv2::ImageFactory::open(file.data, static_cast<long>(file.size));
    }
  } catch (const Exiv2::AnyError&) {
    // Too short to tell its kind, among others.
  }
  if (image.get() == nullptr) {
    why = _("no photo time: not an image that Exiv2 reads");
    return std::nullopt;
  }
  std::optional<std::string> original, fraction, offset;
  try {
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    original = Tag(exif, "Exif.Photo.DateTimeOriginal");
    fraction = Tag(exif, "Exif.Photo.SubSecTimeOriginal");
    offset = Tag(exif, "Exif.Photo.OffsetTimeOriginal");
  } catch (const Exiv2::AnyError& error) {
    why = Format(_("no photo time: %s"), {error.what()});
    return std::nullopt;
  }
  if (!original) {
    why = _("no photo time: the image has no EXIF DateTimeOriginal");
    return std::nullopt;
  }
  std::string reason;
  std::optional<PreciseTime> time;
  if (Shaped(*original, "9999:99:99 99:99:99")) {
    time = ParseTime(IsoText(*original, fraction, offset), reason);
  } else {
    reason = _("not a date-time");
  }
  if (!time) {
    why = Format(_("no photo time: EXIF DateTimeOriginal %s: %s"), {Quote(*original), reason});
  }
  return time;
}

}  // namespace tempinex::cli

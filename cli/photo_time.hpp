#pragma once

// The time a photo was taken, as its camera wrote it in the EXIF data: DateTimeOriginal, with
// SubSecTimeOriginal's fraction and OffsetTimeOriginal's offset where the camera wrote them,
// else read as local time. Read with Exiv2.

#include <optional>
#include <string>

#include "time_text.hpp"

namespace tempinex::cli {

// The photo's time, or nothing with why set to a sentence for the user: no image, no time in
// it, or one that names no instant.
std::optional<PreciseTime> ReadPhotoTime(const std::string& name, std::string& why);

}  // namespace tempinex::cli

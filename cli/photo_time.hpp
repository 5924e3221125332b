#pragma once

// The time a photo was taken, as its camera wrote it in the EXIF data: DateTimeOriginal, with
// SubSecTimeOriginal's fraction and OffsetTimeOriginal's offset where the camera wrote them,
// else read as local time. Read with Exiv2.

#include <optional>
#include <string>

#include "time_text.hpp"

namespace tempinex::cli {

// The time of the photo open for reading as contents (closed here; -1 for a file that could
// not be opened, which holds none), or nothing with why set to a sentence for the user: no
// image, no time in it, or one that names no instant.
std::optional<PreciseTime> ReadPhotoTime(int contents, std::string& why);

}  // namespace tempinex::cli

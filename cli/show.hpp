#pragma once

// `tempinex show`: the three times, the attributes, the size and the path of each file, as
// text or as one JSON object a line.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core_access.hpp"

namespace tempinex::cli {

int RunShow(const std::vector<std::string>& files, bool json);

// The labelled lines of one file's state, indented, as show and --dry-run print them.
std::string StateLine(const char* label, const std::string& value);

std::string TimeOrUnknown(const std::optional<PreciseTime>& time);

// The parts of show's JSON object, as --dry-run --json prints them too: the path (and its
// bytes in hexadecimal when it is not valid UTF-8), a time (null when unknown) and the
// attributes as booleans.
void PutPath(nlohmann::json& object, const std::string& name);
// Bytes as lower-case hexadecimal, two digits each.
std::string Hex(std::string_view bytes);
nlohmann::json TimeJson(const std::optional<PreciseTime>& time);
nlohmann::json AttributesJson(std::uint32_t attributes);
// One object a line, with any byte that is not valid UTF-8 replaced.
void PrintJsonLine(const nlohmann::json& object);

}  // namespace tempinex::cli

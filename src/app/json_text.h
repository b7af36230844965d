#pragma once
// JSON strings for the results log. File names on Linux are bytes, not necessarily UTF-8, and
// a log must give back exactly the name it recorded: bytes that are not UTF-8 are written as
// the lone surrogates \udc80..\udcff and read back as the bytes they stand for.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// `text` as a JSON string literal, quotes included; the result is ASCII only for control
// characters and stray bytes, UTF-8 otherwise.
std::string jsonString(std::string_view text);

// One flat JSON object ({"key": value, ...}: strings, numbers, true, false, null; no nesting),
// keys to values: strings decoded, other values as written. Nothing when the text is not one.
std::optional<std::map<std::string, std::string>> parseFlatJsonObject(std::string_view text);

}  // namespace qm

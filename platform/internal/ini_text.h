// The initialisation-file text as the Windows profile functions read and write it: a writer that
// changes only the line of the key it writes, and leaves every other byte of the file as it was.
// Reading and writing the file itself are left to the profile store.
#pragma once

#include "platform/internal/inside.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value of the first line of `key` in a section named `section` (both matched without regard
// to ASCII case, surrounding blanks ignored), trimmed and without one pair of enclosing quotes.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key);

// The text with `key` set to `value`: the key's line gets the new value; a missing key goes after
// the last entry of its section; a missing section goes, with the key, at the end of the text.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

// The text without the first line of `key` in its section; the text as it was when there is none.
std::string RemoveIniValue(std::string_view text, std::string_view section, std::string_view key);

}  // namespace platform

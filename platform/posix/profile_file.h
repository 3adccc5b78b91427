// The settings file on disk: read whole, and rewritten whole by replacing it atomically under a
// short-lived lock, so that two programs writing at once lose nothing and a failed write leaves
// the old file as it was. What the text means is left to ini_text.h.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

// The file's bytes, or nullopt when it is missing or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's bytes with edit(current bytes). False when the lock cannot be had within a
// few hundred milliseconds or the new file cannot be written; the old file then stays whole.
bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit);

}  // namespace platform

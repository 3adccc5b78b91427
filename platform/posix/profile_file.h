// The settings file on disk: read whole, and rewritten whole by replacing it atomically under a
// short-lived lock, so that two programs writing at once lose nothing and a failed write leaves
// the old file as it was. What the text means is left to ini_text.h.
#pragma once

#include "platform/internal/inside.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// The file's bytes, or nullopt when it is missing, cannot be read, is not a regular file or is
// larger than 16 MiB (no settings file is; such a one is left alone).
std::optional<std::string> ReadWholeFile(const std::string& path);

// The settings file's lock, held for several rewrites in a row.
class ProfileLock {
public:
  // Waits a few hundred milliseconds at most; nullptr when the lock cannot be had.
  static std::unique_ptr<ProfileLock> Acquire(const std::string& path);
  ~ProfileLock();
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;
  const std::string& path() const { return m_path; }

private:
  ProfileLock(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}
  std::string m_path;  // of the settings file, links resolved
  int m_fd;
};

// Replaces the file's bytes with edit(current bytes). False when the lock cannot be had within a
// few hundred milliseconds or the new file cannot be written; the old file then stays whole. A
// lock already held for the file is used as it is.
bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit,
                 const ProfileLock* pHeld = nullptr);

}  // namespace platform

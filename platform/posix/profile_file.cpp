#include "platform/posix/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

// Long enough to outwait another program's write of even a large file, short enough that the
// dialog never seems to hang on it.
constexpr auto kLockWait = std::chrono::milliseconds(300);
constexpr auto kLockPoll = std::chrono::milliseconds(5);
// A settings file larger than this is not the program's: it is left alone, as an unreadable one is.
constexpr std::size_t kSettingsLimit = 16 * 1024 * 1024;

class Fd {
public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd()
  {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }

private:
  int m_fd;
};

bool writeAll(int fd, const std::string& bytes)
{
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The lock lives in a file beside the settings and is held by the kernel, so a program that dies
// holding it, or a lock file left by an older version or another host, never blocks anyone.
bool lockWithin(int fd)
{
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
      return true;
    if (errno != EWOULDBLOCK && errno != EINTR)
      return false;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(kLockPoll);
  }
}

// A settings file reached through a symbolic link is written where the link points.
std::string resolved(const std::string& path)
{
  char buf[PATH_MAX];
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(path.c_str(), buf))
    return buf;
  return path;
}

mode_t newFileMode(const std::string& path)
{
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

// Opened without waiting, so a FIFO in its place is seen for what it is and refused.
std::optional<std::string> ReadWholeFile(const std::string& path)
{
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd)
    return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(kSettingsLimit))
    return std::nullopt;
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      // The file may have grown since fstat; past the limit it is left alone.
      if (bytes.size() > kSettingsLimit)
        return std::nullopt;
      bytes.resize(std::min(bytes.size() + 4096, kSettingsLimit + 1));
    }
    const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return std::nullopt;
    if (n == 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

std::unique_ptr<ProfileLock> ProfileLock::Acquire(const std::string& requestedPath)
{
  std::string path = resolved(requestedPath);
  const int fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
  if (fd < 0)
    return nullptr;
  if (!lockWithin(fd)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<ProfileLock>(new ProfileLock(std::move(path), fd));
}

ProfileLock::~ProfileLock()
{
  ::close(m_fd);
}

bool RewriteFile(const std::string& requestedPath, const std::function<std::string(const std::string&)>& edit,
                 const ProfileLock* pHeld)
{
  const std::string path = resolved(requestedPath);
  std::unique_ptr<ProfileLock> own;
  if (!pHeld || pHeld->path() != path) {
    own = ProfileLock::Acquire(path);
    if (!own)
      return false;
  }
  const std::optional<std::string> current = ReadWholeFile(path);
  struct stat st {};
  if (!current && ::stat(path.c_str(), &st) == 0)
    return false;  // there, but unreadable: never replace what we could not read
  const std::string old = current.value_or(std::string());
  const std::string bytes = edit(old);
  if (current && bytes == old)
    return true;
  std::string temp = path + ".XXXXXX";
  Fd out(::mkostemp(temp.data(), O_CLOEXEC));
  if (!out)
    return false;
  const bool written =
      ::fchmod(out.get(), newFileMode(path)) == 0 && writeAll(out.get(), bytes) && ::fsync(out.get()) == 0;
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform

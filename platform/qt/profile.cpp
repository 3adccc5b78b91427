// The profile functions on the settings file: lanspry.ini in the user's configuration folder
// unless the application names another, written a key at a time under the file's lock.
#include "platform/cwinapp.h"

#include "platform/internal/ini_text.h"
#include "platform/posix/profile_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The named settings file, or lanspry.ini in the user's configuration folder.
QString profilePath(const std::string& name)
{
  if (!name.empty())
    return QString::fromStdString(name);
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(dir.isEmpty() ? QDir::homePath() : dir).filePath(QStringLiteral("lanspry.ini"));
}

// Leading optional sign and decimal digits, as the Windows profile reader takes them; anything
// else reads as 0, and values beyond 32 bits are held at the nearest limit.
int parseProfileInt(std::string_view text)
{
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+')
    ++first;
  long long value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range)
    return first != last && *first == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  if (ec != std::errc() || end == first)
    return 0;
  return static_cast<int>(
      std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault)
{
  const std::optional<std::string> text = platform::ReadWholeFile(profilePath(m_strProfileName).toStdString());
  const std::optional<std::string> value = text ? platform::FindIniValue(*text, lpszSection, lpszEntry) : std::nullopt;
  if (!value)
    return static_cast<UINT>(nDefault);
  return static_cast<UINT>(parseProfileInt(*value));
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault)
{
  const std::optional<std::string> text = platform::ReadWholeFile(profilePath(m_strProfileName).toStdString());
  const std::optional<std::string> value = text ? platform::FindIniValue(*text, lpszSection, lpszEntry) : std::nullopt;
  if (!value)
    return CString(lpszDefault ? lpszDefault : "");
  return CString(*value);
}

namespace {
// The batch of writes under way, if any: its lock, or that the lock could not be had.
struct ProfileBatchState {
  int depth = 0;
  bool lockFailed = false;
  std::unique_ptr<platform::ProfileLock> lock;
};
ProfileBatchState g_batch;
}  // namespace

CProfileBatch::CProfileBatch()
{
  ++g_batch.depth;
}

CProfileBatch::~CProfileBatch()
{
  if (--g_batch.depth > 0)
    return;
  g_batch.lock.reset();
  g_batch.lockFailed = false;
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
  return WriteProfileString(lpszSection, lpszEntry, std::to_string(nValue).c_str());
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
  const QString path = profilePath(m_strProfileName);
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (g_batch.depth > 0 && !g_batch.lock && !g_batch.lockFailed) {
    g_batch.lock = platform::ProfileLock::Acquire(path.toStdString());
    g_batch.lockFailed = !g_batch.lock;
  }
  if (g_batch.lockFailed)
    return FALSE;
  return platform::RewriteFile(
      path.toStdString(),
      [&](const std::string& text) {
        return lpszValue ? platform::SetIniValue(text, lpszSection, lpszEntry, lpszValue)
                         : platform::RemoveIniValue(text, lpszSection, lpszEntry);
      },
      g_batch.lock.get());
}

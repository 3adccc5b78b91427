#include "platform/cfile.h"

#include "platform/posix/end_signals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

CFile::~CFile()
{
  Close();
}

namespace {
// A write past the file size limit, or to a pipe whose reader went, must fail, not end the program.
void IgnoreWriteSignalsOnce()
{
  static const bool s_bIgnored = [] {
    platform::IgnoreWriteSignals();
    return true;
  }();
  (void)s_bIgnored;
}

// What a path names, when it is not a regular file.
int RefusalOf(mode_t mode)
{
  if (S_ISFIFO(mode))
    return CFile::errFifo;
  if (S_ISSOCK(mode))
    return CFile::errSocket;
  if (S_ISDIR(mode))
    return CFile::errDirectory;
  return S_ISREG(mode) ? 0 : CFile::errDevice;
}
}  // namespace

// Opened without waiting (a FIFO would hold open() until a reader or writer came), then looked
// at: anything but a regular file is refused.
BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags)
{
  Close();
  IgnoreWriteSignalsOnce();
  struct stat st {};
  if (::stat(lpszFileName, &st) == 0 && RefusalOf(st.st_mode) != 0) {
    m_nError = RefusalOf(st.st_mode);
    return FALSE;
  }
  int flags = ((nOpenFlags & modeWrite) ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (nOpenFlags & modeCreate)
    flags |= O_CREAT;
  if (nOpenFlags & modeNoTruncate)
    flags |= O_APPEND;
  else if (nOpenFlags & modeCreate)
    flags |= O_TRUNC;
  m_fd = ::open(lpszFileName, flags, 0666);
  if (m_fd < 0) {
    m_nError = errno;
    return FALSE;
  }
  m_nError = ::fstat(m_fd, &st) != 0 ? errno : RefusalOf(st.st_mode);
  if (m_nError != 0) {
    ::close(m_fd);
    m_fd = -1;
    return FALSE;
  }
  ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
  return TRUE;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount, UINT* pnWritten)
{
  const char* p = static_cast<const char*>(lpBuf);
  std::size_t nLeft = nCount;
  if (pnWritten)
    *pnWritten = 0;
  while (nLeft > 0) {
    const ssize_t n = ::write(m_fd, p, nLeft);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      m_nError = n < 0 ? errno : ENOSPC;
      return FALSE;
    }
    p += n;
    nLeft -= static_cast<std::size_t>(n);
    if (pnWritten)
      *pnWritten += static_cast<UINT>(n);
  }
  return TRUE;
}

int CFile::Read(void* lpBuf, UINT nCount)
{
  for (;;) {
    const ssize_t n = ::read(m_fd, lpBuf, nCount);
    if (n >= 0)
      return static_cast<int>(n);
    if (errno != EINTR) {
      m_nError = errno;
      return -1;
    }
  }
}

std::uint64_t CFile::GetLength()
{
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) {
    m_nError = errno;
    return 0;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

BOOL CFile::SetLength(std::uint64_t nLength)
{
  if (::ftruncate(m_fd, static_cast<off_t>(nLength)) == 0)
    return TRUE;
  m_nError = errno;
  return FALSE;
}

BOOL CFile::Close()
{
  if (m_fd < 0)
    return TRUE;
  const int rc = ::close(m_fd);
  m_fd = -1;
  if (rc == 0)
    return TRUE;
  m_nError = errno;
  return FALSE;
}

CString CFile::ErrorText(int nError)
{
  switch (nError) {
  case errFifo:
    return "是命名管道 (FIFO), 不是普通文件";
  case errDevice:
    return "是设备, 不是普通文件";
  case errSocket:
    return "是套接字, 不是普通文件";
  case errDirectory:
    return "是文件夹, 不是普通文件";
  default:
    break;
  }
  char buf[256] = {};
  // The GNU variant: the text may be a static string rather than the buffer.
  return CString(::strerror_r(nError, buf, sizeof buf));
}

CString CFile::Describe(int nError)
{
  CString str;
  if (nError < 0)
    str.Format(":%s", static_cast<LPCTSTR>(ErrorText(nError)));
  else
    str.Format("[%d]:%s", nError, static_cast<LPCTSTR>(ErrorText(nError)));
  return str;
}

CSaveFile::~CSaveFile()
{
  Discard();
}

BOOL CSaveFile::Open(LPCTSTR lpszFileName)
{
  Discard();
  IgnoreWriteSignalsOnce();
  m_nError = 0;
  struct stat st {};
  if (::stat(lpszFileName, &st) == 0 && RefusalOf(st.st_mode) != 0) {
    m_nError = RefusalOf(st.st_mode);
    return FALSE;
  }
  std::string temp = std::string(lpszFileName) + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    m_nError = errno;
    return FALSE;
  }
  // The new file takes the old one's permissions, or what a new file would get.
  mode_t mode = 0;
  if (::stat(lpszFileName, &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  m_file.m_fd = fd;
  m_file.m_nError = 0;
  m_strTarget = lpszFileName;
  m_strTemp = CString(std::move(temp));
  return TRUE;
}

BOOL CSaveFile::Commit()
{
  if (!m_file.IsOpen())
    return FALSE;
  const bool bSynced = ::fsync(m_file.m_fd) == 0;
  if (!bSynced)
    m_nError = errno;
  if (!m_file.Close() || !bSynced) {
    Discard();
    return FALSE;
  }
  if (::rename(m_strTemp, m_strTarget) != 0) {
    m_nError = errno;
    Discard();
    return FALSE;
  }
  m_strTemp.Empty();
  return TRUE;
}

void CSaveFile::Discard()
{
  m_file.Close();
  if (!m_strTemp.IsEmpty())
    ::unlink(m_strTemp);
  m_strTemp.Empty();
}

#include "platform/cfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

CFile::~CFile()
{
  Close();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags)
{
  Close();
  // A write past the file size limit must fail with EFBIG, not end the program.
  static const bool s_bIgnoreSizeSignal = [] {
    ::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)s_bIgnoreSizeSignal;
  int flags = ((nOpenFlags & modeWrite) ? O_WRONLY : O_RDONLY) | O_CLOEXEC;
  if (nOpenFlags & modeCreate)
    flags |= O_CREAT;
  if (nOpenFlags & modeNoTruncate)
    flags |= O_APPEND;
  else if (nOpenFlags & modeCreate)
    flags |= O_TRUNC;
  m_fd = ::open(lpszFileName, flags, 0666);
  m_nError = m_fd < 0 ? errno : 0;
  return m_fd >= 0;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount)
{
  const char* p = static_cast<const char*>(lpBuf);
  std::size_t nLeft = nCount;
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
  char buf[256] = {};
  // The GNU variant: the text may be a static string rather than the buffer.
  return CString(::strerror_r(nError, buf, sizeof buf));
}

#include "platform/posix/datagram_batch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

bool DatagramBatch::fill(int fd)
{
  if (m_storage.empty())
    m_storage.resize(kSlots * kSlotSize);
  for (unsigned i = 0; i < kSlots; ++i) {
    m_buffers[i] = {m_storage.data() + i * kSlotSize, kSlotSize};
    m_messages[i] = {};
    m_messages[i].msg_hdr.msg_name = &m_senders[i];
    m_messages[i].msg_hdr.msg_namelen = sizeof m_senders[i];
    m_messages[i].msg_hdr.msg_iov = &m_buffers[i];
    m_messages[i].msg_hdr.msg_iovlen = 1;
  }
  if (m_counter)
    ++*m_counter;
  const int n = ::recvmmsg(fd, m_messages.data(), kSlots, MSG_DONTWAIT, nullptr);
  m_next = 0;
  m_count = n > 0 ? static_cast<unsigned>(n) : 0;
  m_lastFull = m_count == kSlots;
  return n > 0;
}

bool DatagramBatch::more(int fd)
{
  return holding() || (m_lastFull && readAhead(fd));
}

bool DatagramBatch::readAhead(int fd)
{
  if (holding())
    return true;
  if (fill(fd))
    return true;
  // An error the socket reports (a port unreachable, say) is the next read's to return.
  if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
    m_error = errno;
  return m_error != 0;
}

ssize_t DatagramBatch::take(int fd, char* buf, std::size_t size, ::sockaddr_in& from)
{
  if (m_error != 0) {
    errno = std::exchange(m_error, 0);
    return -1;
  }
  if (m_next >= m_count && !fill(fd))
    return -1;
  const unsigned i = m_next++;
  const std::size_t length = m_messages[i].msg_len;
  std::memcpy(buf, m_buffers[i].iov_base, std::min(length, size));
  from = m_senders[i];
  return static_cast<ssize_t>(length);
}

}  // namespace platform

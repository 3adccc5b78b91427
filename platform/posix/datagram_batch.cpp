#include "platform/posix/datagram_batch.h"

#include <algorithm>
#include <cstring>

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
  const int n = ::recvmmsg(fd, m_messages.data(), kSlots, MSG_DONTWAIT, nullptr);
  m_next = 0;
  m_count = n > 0 ? static_cast<unsigned>(n) : 0;
  m_lastFull = m_count == kSlots;
  return n > 0;
}

ssize_t DatagramBatch::take(int fd, char* buf, std::size_t size, ::sockaddr_in& from)
{
  if (!holding() && !fill(fd))
    return -1;
  const unsigned i = m_next++;
  const std::size_t length = m_messages[i].msg_len;
  std::memcpy(buf, m_buffers[i].iov_base, std::min(length, size));
  from = m_senders[i];
  return static_cast<ssize_t>(length);
}

}  // namespace platform

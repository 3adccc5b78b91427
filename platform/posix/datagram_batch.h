// Datagrams taken from the kernel several at a time and handed out one per read, so that a flood
// costs a fraction of a system call per datagram and what is left says whether more is waiting;
// the socket and its notifications stay with the socket layer.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstddef>
#include <vector>

namespace platform {

class DatagramBatch {
public:
  // The next datagram, copied into buf (cut to size): its whole length, or -1 with errno set when
  // the kernel has none. `from` gets its sender.
  ssize_t take(int fd, char* buf, std::size_t size, ::sockaddr_in& from);
  // More may be waiting: datagrams held here, or the last batch filled every slot.
  bool mayHaveMore() const { return holding() || m_lastFull; }
  // Datagrams are held here: the next take makes no system call.
  bool holding() const { return m_next < m_count; }

private:
  static constexpr unsigned kSlots = 16;
  static constexpr std::size_t kSlotSize = 65536;  // more than any IPv4 datagram

  bool fill(int fd);

  std::vector<char> m_storage;
  std::array<::mmsghdr, kSlots> m_messages{};
  std::array<::iovec, kSlots> m_buffers{};
  std::array<::sockaddr_in, kSlots> m_senders{};
  unsigned m_count = 0;
  unsigned m_next = 0;
  bool m_lastFull = false;
};

}  // namespace platform

// Datagrams taken from the kernel several at a time and handed out one per read, so that a flood
// costs a fraction of a system call per datagram and what is held says whether more is waiting;
// the socket and its notifications stay with the socket layer.
#pragma once

#include "platform/internal/inside.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstddef>
#include <vector>

namespace platform {

class DatagramBatch {
public:
  // The next datagram, copied into buf (cut to size): its whole length, or -1 with errno set when
  // the kernel has none or the socket reports an error. `from` gets its sender.
  ssize_t take(int fd, char* buf, std::size_t size, ::sockaddr_in& from);
  // Whether the next take has a datagram (or an error) to give: one is held, or the last batch
  // filled every slot, so the kernel may well have more, and the next batch, read ahead, has one.
  bool more(int fd);
  // Takes the next batch from the kernel unless datagrams are held; the same answer as more().
  bool readAhead(int fd);
  // Datagrams (or an error met reading ahead) are held here: the next take makes no system call.
  bool holding() const { return m_next < m_count || m_error != 0; }
  // Every batch read from now on is counted in `counter` too.
  void countReadsIn(unsigned long long& counter) { m_counter = &counter; }

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
  int m_error = 0;  // met while reading ahead: it belongs to the next take
  unsigned long long* m_counter = nullptr;
};

}  // namespace platform

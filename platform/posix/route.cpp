#include "platform/route.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Connecting a datagram socket only picks the route and the source address.
DWORD platform::SourceAddressToward(DWORD dwHostOrderDest)
{
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return 0;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  to.sin_addr.s_addr = htonl(dwHostOrderDest);
  sockaddr_in from{};
  socklen_t nFromLen = sizeof from;
  DWORD dwSource = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&from), &nFromLen) == 0)
    dwSource = ntohl(from.sin_addr.s_addr);
  ::close(fd);
  return dwSource;
}

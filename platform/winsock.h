// Windows Sockets names over an exchangeable socket layer: the real one is built on POSIX sockets,
// tests put a recording one in its place. Notifications reach windows as posted messages.
#pragma once

#include "platform/windef.h"

#include <cstdint>

namespace ws {

using SOCKET = std::uintptr_t;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
inline constexpr int SOCKET_ERROR = -1;

struct in_addr {
  std::uint32_t s_addr;  // network byte order
};
struct sockaddr {
  std::uint16_t sa_family;
  char sa_data[14];
};
struct sockaddr_in {
  std::int16_t sin_family;
  std::uint16_t sin_port;  // network byte order
  in_addr sin_addr;
  char sin_zero[8];
};
struct ip_mreq {
  in_addr imr_multiaddr;
  in_addr imr_interface;
};
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
static_assert(sizeof(sockaddr_in) == 16 && sizeof(ip_mreq) == 8);

enum : int {
  AF_INET = 2,
  SOCK_STREAM = 1,
  SOCK_DGRAM = 2,
  IPPROTO_IP = 0,
  IPPROTO_TCP = 6,
  IPPROTO_UDP = 17,
  SOL_SOCKET = 0xFFFF,
  SO_BROADCAST = 0x0020,
  SO_REUSEADDR = 0x0004,
  SO_EXCLUSIVEADDRUSE = ~SO_REUSEADDR,
  SO_RCVTIMEO = 0x1006,
  SOMAXCONN = 0x7FFFFFFF,
  // Windows Sockets 1.1 numbering, as the program is linked against it.
  IP_MULTICAST_TTL = 3,
  IP_MULTICAST_LOOP = 4,
  IP_ADD_MEMBERSHIP = 5,
  IP_DROP_MEMBERSHIP = 6,
  SD_RECEIVE = 0,
  SD_SEND = 1,
  SD_BOTH = 2,
};
enum : long { FD_READ = 1, FD_WRITE = 2, FD_OOB = 4, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };
inline constexpr std::uint32_t INADDR_ANY = 0;

// The Windows Sockets error codes, each number written here once; the names the program shows
// are these identifiers.
enum : int {
  WSABASEERR = 10000,
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEDESTADDRREQ = 10039,
  WSAEMSGSIZE = 10040,
  WSAEPROTOTYPE = 10041,
  WSAENOPROTOOPT = 10042,
  WSAEPROTONOSUPPORT = 10043,
  WSAESOCKTNOSUPPORT = 10044,
  WSAEOPNOTSUPP = 10045,
  WSAEPFNOSUPPORT = 10046,
  WSAEAFNOSUPPORT = 10047,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAENETRESET = 10052,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOBUFS = 10055,
  WSAEISCONN = 10056,
  WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058,
  WSAETOOMANYREFS = 10059,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAELOOP = 10062,
  WSAENAMETOOLONG = 10063,
  WSAEHOSTDOWN = 10064,
  WSAEHOSTUNREACH = 10065,
  WSAENOTEMPTY = 10066,
  WSAEPROCLIM = 10067,
  WSAEUSERS = 10068,
  WSAEDQUOT = 10069,
  WSAESTALE = 10070,
  WSAEREMOTE = 10071,
  WSASYSNOTREADY = 10091,
  WSAVERNOTSUPPORTED = 10092,
  WSANOTINITIALISED = 10093,
  WSAEDISCON = 10101,
  WSASYSCALLFAILURE = 10107,
};

// clang-format off
constexpr std::uint16_t htons(std::uint16_t v) { return static_cast<std::uint16_t>((v >> 8) | (v << 8)); }
constexpr std::uint32_t htonl(std::uint32_t v)
{
  return ((v & 0xFF) << 24) | ((v & 0xFF00) << 8) | ((v >> 8) & 0xFF00) | (v >> 24);
}
constexpr std::uint16_t ntohs(std::uint16_t v) { return htons(v); }
constexpr std::uint32_t ntohl(std::uint32_t v) { return htonl(v); }
constexpr WORD WSAGETSELECTEVENT(LPARAM lParam) { return LOWORD(static_cast<std::uintptr_t>(lParam)); }
constexpr WORD WSAGETSELECTERROR(LPARAM lParam) { return HIWORD(static_cast<std::uintptr_t>(lParam)); }
constexpr LPARAM WSAMAKESELECTREPLY(unsigned event, unsigned error) { return MAKELPARAM(event, error); }
// clang-format on

// Every Windows Sockets call the program makes, as one replaceable object.
class SocketLayer {
public:
  virtual ~SocketLayer() = default;
  virtual int startup(WORD wVersionRequested, WSADATA* lpWSAData) = 0;
  virtual int cleanup() = 0;
  virtual SOCKET createSocket(int af, int type, int protocol) = 0;
  virtual int bindSocket(SOCKET s, const sockaddr* name, int namelen) = 0;
  virtual int connectSocket(SOCKET s, const sockaddr* name, int namelen) = 0;
  virtual int setOption(SOCKET s, int level, int optname, const char* optval, int optlen) = 0;
  virtual int shutdownSocket(SOCKET s, int how) = 0;
  virtual int closeSocket(SOCKET s) = 0;
  virtual int listenSocket(SOCKET s, int backlog) = 0;
  virtual SOCKET acceptSocket(SOCKET s, sockaddr* addr, int* addrlen) = 0;
  virtual int socketName(SOCKET s, sockaddr* name, int* namelen) = 0;
  virtual int asyncSelect(SOCKET s, HWND hWnd, UINT wMsg, long lEvent) = 0;
  virtual int lastError() = 0;
  virtual int sendData(SOCKET s, const char* buf, int len, int flags) = 0;
  virtual int sendDataTo(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int tolen) = 0;
  virtual int receive(SOCKET s, char* buf, int len, int flags) = 0;
  virtual int receiveFrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) = 0;
};

// The real layer, on POSIX sockets.
SocketLayer& PosixSocketLayer();
// The layer the calls below go to; nullptr restores the real one.
SocketLayer& CurrentSocketLayer();
void SetSocketLayer(SocketLayer* pLayer);

// One line each: the name, and the layer's call it stands for.
// clang-format off
inline int WSAStartup(WORD v, WSADATA* d) { return CurrentSocketLayer().startup(v, d); }
inline int WSACleanup() { return CurrentSocketLayer().cleanup(); }
inline SOCKET socket(int af, int type, int protocol) { return CurrentSocketLayer().createSocket(af, type, protocol); }
inline int bind(SOCKET s, const sockaddr* n, int l) { return CurrentSocketLayer().bindSocket(s, n, l); }
inline int connect(SOCKET s, const sockaddr* n, int l) { return CurrentSocketLayer().connectSocket(s, n, l); }
inline int setsockopt(SOCKET s, int level, int name, const char* v, int l)
{
  return CurrentSocketLayer().setOption(s, level, name, v, l);
}
inline int shutdown(SOCKET s, int how) { return CurrentSocketLayer().shutdownSocket(s, how); }
inline int closesocket(SOCKET s) { return CurrentSocketLayer().closeSocket(s); }
inline int listen(SOCKET s, int backlog) { return CurrentSocketLayer().listenSocket(s, backlog); }
inline SOCKET accept(SOCKET s, sockaddr* a, int* l) { return CurrentSocketLayer().acceptSocket(s, a, l); }
inline int getsockname(SOCKET s, sockaddr* n, int* l) { return CurrentSocketLayer().socketName(s, n, l); }
inline int WSAAsyncSelect(SOCKET s, HWND hWnd, UINT wMsg, long lEvent)
{
  return CurrentSocketLayer().asyncSelect(s, hWnd, wMsg, lEvent);
}
inline int WSAGetLastError() { return CurrentSocketLayer().lastError(); }
inline int send(SOCKET s, const char* b, int l, int f) { return CurrentSocketLayer().sendData(s, b, l, f); }
inline int sendto(SOCKET s, const char* b, int l, int f, const sockaddr* to, int tolen)
{
  return CurrentSocketLayer().sendDataTo(s, b, l, f, to, tolen);
}
inline int recv(SOCKET s, char* b, int l, int f) { return CurrentSocketLayer().receive(s, b, l, f); }
inline int recvfrom(SOCKET s, char* b, int l, int f, sockaddr* from, int* fromlen)
{
  return CurrentSocketLayer().receiveFrom(s, b, l, f, from, fromlen);
}

// clang-format on

}  // namespace ws

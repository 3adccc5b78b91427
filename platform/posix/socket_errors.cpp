#include "platform/posix/socket_errors.h"

#include "platform/winsock.h"

#include <cerrno>

namespace {

struct ErrnoMapping {
  int posix;
  int winsock;
};

// Every errno the socket layer can meet, beside its Windows Sockets counterpart.
constexpr ErrnoMapping kErrnoToWinsock[] = {
    {EINTR, ws::WSAEINTR},
    {EBADF, ws::WSAENOTSOCK},
    {EACCES, ws::WSAEACCES},
    {EPERM, ws::WSAEACCES},
    {EFAULT, ws::WSAEFAULT},
    {EINVAL, ws::WSAEINVAL},
    {EMFILE, ws::WSAEMFILE},
    {ENFILE, ws::WSAEMFILE},
    {EWOULDBLOCK, ws::WSAEWOULDBLOCK},
    {EAGAIN, ws::WSAEWOULDBLOCK},
    {EINPROGRESS, ws::WSAEINPROGRESS},
    {EALREADY, ws::WSAEALREADY},
    {ENOTSOCK, ws::WSAENOTSOCK},
    {EDESTADDRREQ, ws::WSAEDESTADDRREQ},
    {EMSGSIZE, ws::WSAEMSGSIZE},
    {EPROTOTYPE, ws::WSAEPROTOTYPE},
    {ENOPROTOOPT, ws::WSAENOPROTOOPT},
    {EPROTONOSUPPORT, ws::WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, ws::WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, ws::WSAEOPNOTSUPP},
    {EPFNOSUPPORT, ws::WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, ws::WSAEAFNOSUPPORT},
    {EADDRINUSE, ws::WSAEADDRINUSE},
    {EADDRNOTAVAIL, ws::WSAEADDRNOTAVAIL},
    {ENETDOWN, ws::WSAENETDOWN},
    {ENETUNREACH, ws::WSAENETUNREACH},
    {ENETRESET, ws::WSAENETRESET},
    {ECONNABORTED, ws::WSAECONNABORTED},
    {ECONNRESET, ws::WSAECONNRESET},
    {EPIPE, ws::WSAECONNRESET},
    {ENOBUFS, ws::WSAENOBUFS},
    {ENOMEM, ws::WSAENOBUFS},
    {EISCONN, ws::WSAEISCONN},
    {ENOTCONN, ws::WSAENOTCONN},
    {ESHUTDOWN, ws::WSAESHUTDOWN},
    {ETOOMANYREFS, ws::WSAETOOMANYREFS},
    {ETIMEDOUT, ws::WSAETIMEDOUT},
    {ECONNREFUSED, ws::WSAECONNREFUSED},
    {ELOOP, ws::WSAELOOP},
    {ENAMETOOLONG, ws::WSAENAMETOOLONG},
    {EHOSTDOWN, ws::WSAEHOSTDOWN},
    {EHOSTUNREACH, ws::WSAEHOSTUNREACH},
    {ENOTEMPTY, ws::WSAENOTEMPTY},
    {EUSERS, ws::WSAEUSERS},
    {EDQUOT, ws::WSAEDQUOT},
    {ESTALE, ws::WSAESTALE},
    {EREMOTE, ws::WSAEREMOTE},
    // Joining a group with no multicast route: the network cannot be reached from any interface.
    {ENODEV, ws::WSAENETUNREACH},
};

// A system call failed in a way Windows Sockets has no code for.
constexpr int kUnmapped = ws::WSASYSCALLFAILURE;

}  // namespace

int platform::WinsockErrorFromErrno(int error)
{
  for (const ErrnoMapping& m : kErrnoToWinsock) {
    if (m.posix == error)
      return m.winsock;
  }
  return kUnmapped;
}

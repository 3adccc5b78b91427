#include "platform/socket_errors.h"

#include <cerrno>

namespace {

struct ErrnoMapping {
  int posix;
  int winsock;
};

// Every errno the socket layer can meet, beside its Windows Sockets counterpart.
constexpr ErrnoMapping kErrnoToWinsock[] = {
    {EINTR, 10004},        {EBADF, 10038},           {EACCES, 10013},          {EPERM, 10013},
    {EFAULT, 10014},       {EINVAL, 10022},          {EMFILE, 10024},          {ENFILE, 10024},
    {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},     {EALREADY, 10037},
    {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {EPIPE, 10054},           {ENOBUFS, 10055},         {ENOMEM, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},        {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},    {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},       {EUSERS, 10068},
    {EDQUOT, 10069},       {ESTALE, 10070},          {EREMOTE, 10071},
    // Joining a group with no multicast route: the network cannot be reached from any interface.
    {ENODEV, 10051},
};

// WSASYSCALLFAILURE: a system call failed in a way Windows Sockets has no code for.
constexpr int kUnmapped = 10107;

}  // namespace

int platform::WinsockErrorFromErrno(int error)
{
  for (const ErrnoMapping& m : kErrnoToWinsock) {
    if (m.posix == error)
      return m.winsock;
  }
  return kUnmapped;
}

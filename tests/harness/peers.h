// Loopback peers on POSIX sockets for tests and benchmarks, with bounded waits; and what the
// operating system says of a socket the program holds.
#pragma once

#include "platform/winsock.h"

#include <string>

namespace test {

class Fd {
public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  Fd(Fd&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
  Fd& operator=(Fd&& o) noexcept;
  ~Fd();
  int get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }

private:
  int m_fd;
};

Fd TcpListener(int* pPort, const char* address = "127.0.0.1", int backlog = 8);
// A connection to a loopback port, made without waiting for it to be accepted.
Fd TcpConnect(int port);
// A connection to a loopback port that a peer is about to listen on: tried until it succeeds or
// the time is up (then an invalid Fd).
Fd TcpConnectWhenListening(int port, int timeoutMs);
Fd Accept(const Fd& listener, int timeoutMs = 5000);
Fd UdpSocket(int* pPort, const char* address = "127.0.0.1");
int FreeTcpPort();
int FreeUdpPort();
// Whether a TCP listener holds the loopback port, asked without connecting to it.
bool PortListening(int port);
// Options and the port of a socket, read back with the operating system's own calls.
int MulticastTtl(ws::SOCKET s);
int MulticastLoop(ws::SOCKET s);
int ReceiveTimeoutMs(ws::SOCKET s);
int LocalPort(ws::SOCKET s);
// One non-blocking send; what the socket took, or 0.
std::size_t TrySend(const Fd& s, const std::string& data);
bool SendAll(const Fd& s, const std::string& data);
std::string ReceiveSome(const Fd& s, int timeoutMs = 3000);
std::string ReceiveExactly(const Fd& s, std::size_t n, int timeoutMs = 5000);
// One datagram, or nullopt-like empty with *pGot false on time-out.
std::string ReceiveDatagram(const Fd& s, bool* pGot, int timeoutMs = 3000, int* pFromPort = nullptr);
void SendDatagram(const Fd& s, const std::string& data, int port, const char* address = "127.0.0.1");
void ResetConnection(Fd& s);
// Whether the other end has closed: a read, without waiting, finds the end of the stream or an error.
bool PeerClosed(const Fd& s);

}  // namespace test

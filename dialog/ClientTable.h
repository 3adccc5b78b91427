// The server mode's connected clients: each keeps its identity, ends and byte counts for as long as
// it is connected, whoever else comes and goes, and is reached by its handle.
#pragma once

#include "dialog/Outbound.h"
#include "dialog/TrafficRecord.h"

#include <cstdint>
#include <memory>
#include <vector>

// Clients held at once; one more is accepted and closed at once.
inline constexpr int MAX_CLIENTS = 64;

struct CClient {
  ws::SOCKET hSocket = ws::INVALID_SOCKET;
  TRAFFIC_ENDPOINT local{};
  TRAFFIC_ENDPOINT peer{};
  std::int64_t nConnectedMicros = 0;  // wall clock, since the epoch
  std::uint64_t nRecvBytes = 0;
  std::uint64_t nSentBytes = 0;
  // What this client has still to be sent, in order.
  COutbound out;
};

class CClientTable {
public:
  CClientTable() = default;
  ~CClientTable();
  CClientTable(const CClientTable&) = delete;
  CClientTable& operator=(const CClientTable&) = delete;

  // Takes the accepted socket; nullptr when the table is full (the caller closes it).
  CClient* Add(ws::SOCKET hSocket, const TRAFFIC_ENDPOINT& local, const TRAFFIC_ENDPOINT& peer,
               std::int64_t nConnectedMicros);
  CClient* Find(ws::SOCKET hSocket) const;
  // Closes the client's socket and forgets it; what others hold of other clients stays valid.
  void Close(ws::SOCKET hSocket);
  void CloseAll();

  // One send to the client, counted in its bytes sent; what the socket call returned.
  static int Send(CClient& client, const BYTE* pData, int nLength);

  int GetCount() const { return static_cast<int>(m_clients.size()); }
  BOOL IsFull() const { return GetCount() >= MAX_CLIENTS; }
  // In the order they connected.
  CClient& GetAt(int nIndex) const { return *m_clients[static_cast<std::size_t>(nIndex)]; }
  // Grows with every client that comes or goes, so a viewer can tell it has news.
  std::uint64_t GetSerial() const { return m_nSerial; }

  // Where a send without a named client goes: this one (until it leaves), or every client.
  ws::SOCKET hTarget = ws::INVALID_SOCKET;
  CClient* GetTarget() const { return Find(hTarget); }

  // No descriptor was left for the last connection: new ones wait in the backlog a while, and the
  // record has said so once since a connection was last taken.
  BOOL bAcceptWaiting = FALSE;
  BOOL bAcceptStarved = FALSE;

private:
  std::vector<std::unique_ptr<CClient>> m_clients;
  std::uint64_t m_nSerial = 0;
};

#include "dialog/ClientTable.h"

#include <algorithm>

using namespace ws;

CClientTable::~CClientTable()
{
  CloseAll();
}

CClient* CClientTable::Add(SOCKET hSocket, const TRAFFIC_ENDPOINT& local, const TRAFFIC_ENDPOINT& peer,
                           std::int64_t nConnectedMicros)
{
  if (IsFull())
    return nullptr;
  auto client = std::make_unique<CClient>();
  client->hSocket = hSocket;
  client->local = local;
  client->peer = peer;
  client->nConnectedMicros = nConnectedMicros;
  m_clients.push_back(std::move(client));
  ++m_nSerial;
  return m_clients.back().get();
}

CClient* CClientTable::Find(SOCKET hSocket) const
{
  for (const auto& client : m_clients) {
    if (client->hSocket == hSocket)
      return client.get();
  }
  return nullptr;
}

void CClientTable::Close(SOCKET hSocket)
{
  const auto it =
      std::find_if(m_clients.begin(), m_clients.end(), [hSocket](const auto& c) { return c->hSocket == hSocket; });
  if (it == m_clients.end())
    return;
  closesocket(hSocket);
  m_clients.erase(it);
  ++m_nSerial;
  if (hSocket == hTarget)
    hTarget = INVALID_SOCKET;
}

// The newest first, as clients used to be let go.
void CClientTable::CloseAll()
{
  while (!m_clients.empty())
    Close(m_clients.back()->hSocket);
}

int CClientTable::Send(CClient& client, const BYTE* pData, int nLength)
{
  const int nSent = send(client.hSocket, reinterpret_cast<const char*>(pData), nLength, 0);
  if (nSent > 0)
    client.nSentBytes += static_cast<std::uint64_t>(nSent);
  return nSent;
}

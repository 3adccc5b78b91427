#include "dialog/Pcapng.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

namespace {
constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint16_t kLinkTypeRaw = 101;  // packets start at their IPv4 header
constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kOptionUserApplication = 4;
constexpr std::size_t kWriteChunk = 1 << 20;
constexpr BYTE kTcpFin = 0x01, kTcpSyn = 0x02, kTcpPush = 0x08, kTcpAck = 0x10;

// The two sequence spaces of one connection, seen from this end.
struct TcpState {
  std::uint32_t nNextOut = 1;
  std::uint32_t nNextIn = 1;
};
using ConnectionKey = std::tuple<DWORD, WORD, DWORD, WORD>;

ConnectionKey KeyOf(const TRAFFIC_EVENT& e)
{
  return {e.local.dwAddress, e.local.wPort, e.peer.dwAddress, e.peer.wPort};
}

// Blocks are written in the machine's byte order; the section header's magic tells readers which.
class BlockWriter {
public:
  explicit BlockWriter(CFile& file) : m_file(file) {}

  void Begin(std::uint32_t nType)
  {
    m_nBlockStart = m_buf.size();
    Put32(nType);
    Put32(0);  // the total length, filled in by End
  }
  void End()
  {
    Pad();
    const auto nLength = static_cast<std::uint32_t>(m_buf.size() - m_nBlockStart + 4);
    std::memcpy(m_buf.data() + m_nBlockStart + 4, &nLength, 4);
    Put32(nLength);
    if (m_buf.size() >= kWriteChunk)
      Drain();
  }
  void Put16(std::uint16_t v) { PutBytes(&v, 2); }
  void Put32(std::uint32_t v) { PutBytes(&v, 4); }
  void Put64(std::uint64_t v) { PutBytes(&v, 8); }
  void PutBytes(const void* p, std::size_t n)
  {
    const auto* b = static_cast<const BYTE*>(p);
    m_buf.insert(m_buf.end(), b, b + n);
  }
  void Pad()
  {
    while (m_buf.size() % 4 != 0)
      m_buf.push_back(0);
  }
  void Option(std::uint16_t nCode, const char* psz)
  {
    const std::size_t n = std::strlen(psz);
    Put16(nCode);
    Put16(static_cast<std::uint16_t>(n));
    PutBytes(psz, n);
    Pad();
  }
  BOOL Drain()
  {
    if (!m_bOk || m_buf.empty())
      return m_bOk;
    m_bOk = m_file.Write(m_buf.data(), static_cast<UINT>(m_buf.size()));
    m_buf.clear();
    return m_bOk;
  }

private:
  CFile& m_file;
  std::vector<BYTE> m_buf;
  std::size_t m_nBlockStart = 0;
  BOOL m_bOk = TRUE;
};

void PutBE16(BYTE* p, std::uint32_t v)
{
  p[0] = static_cast<BYTE>(v >> 8);
  p[1] = static_cast<BYTE>(v);
}

void PutBE32(BYTE* p, std::uint32_t v)
{
  PutBE16(p, v >> 16);
  PutBE16(p + 2, v & 0xFFFF);
}

std::uint32_t SumWords(const BYTE* p, std::size_t n, std::uint32_t nSum = 0)
{
  for (std::size_t i = 0; i + 1 < n; i += 2)
    nSum += static_cast<std::uint32_t>(p[i] << 8 | p[i + 1]);
  if (n % 2)
    nSum += static_cast<std::uint32_t>(p[n - 1] << 8);
  return nSum;
}

std::uint16_t FoldChecksum(std::uint32_t nSum)
{
  while (nSum >> 16)
    nSum = (nSum & 0xFFFF) + (nSum >> 16);
  return static_cast<std::uint16_t>(~nSum);
}

struct Segment {
  BYTE byProtocol;  // ws::IPPROTO_TCP or ws::IPPROTO_UDP
  TRAFFIC_ENDPOINT from;
  TRAFFIC_ENDPOINT to;
  std::uint32_t nSeq = 0, nAck = 0;
  BYTE byFlags = 0;
  const BYTE* pPayload = nullptr;
  int nHeld = 0;    // payload bytes at hand
  int nLength = 0;  // payload bytes the packet carried
};

class CaptureWriter {
public:
  explicit CaptureWriter(CFile& file) : m_out(file) {}

  void Header()
  {
    m_out.Begin(kSectionHeader);
    m_out.Put32(0x1A2B3C4D);
    m_out.Put16(1);
    m_out.Put16(0);
    m_out.Put64(~std::uint64_t{0});  // section length not given
    m_out.Option(kOptionUserApplication, "Lanspry");
    m_out.Put32(kOptionEnd);
    m_out.End();
    m_out.Begin(kInterfaceDescription);
    m_out.Put16(kLinkTypeRaw);
    m_out.Put16(0);
    m_out.Put32(0);  // no snapshot length; timestamps in microseconds by default
    m_out.End();
  }

  void Packet(std::int64_t nTimeMicros, const Segment& s)
  {
    const int nHeaderLen = 20 + (s.byProtocol == ws::IPPROTO_TCP ? 20 : 8);
    BYTE header[40] = {};
    const int nTotal = nHeaderLen + s.nLength;
    header[0] = 0x45;
    PutBE16(header + 2, static_cast<std::uint32_t>(nTotal));
    PutBE16(header + 4, m_nIpId++);
    header[6] = 0x40;  // don't fragment
    header[8] = 64;
    header[9] = s.byProtocol;
    PutBE32(header + 12, s.from.dwAddress);
    PutBE32(header + 16, s.to.dwAddress);
    PutBE16(header + 10, FoldChecksum(SumWords(header, 20)));
    BYTE* l4 = header + 20;
    PutBE16(l4, s.from.wPort);
    PutBE16(l4 + 2, s.to.wPort);
    const int nL4Len = nTotal - 20;
    if (s.byProtocol == ws::IPPROTO_TCP) {
      PutBE32(l4 + 4, s.nSeq);
      PutBE32(l4 + 8, s.nAck);
      l4[12] = 5 << 4;
      l4[13] = s.byFlags;
      PutBE16(l4 + 14, 65535);
    } else {
      PutBE16(l4 + 4, static_cast<std::uint32_t>(nL4Len));
    }
    // The checksum can be right only when every payload byte is at hand.
    if (s.nHeld == s.nLength) {
      std::uint32_t nSum = SumWords(header + 12, 8) + s.byProtocol + static_cast<std::uint32_t>(nL4Len);
      nSum = SumWords(l4, static_cast<std::size_t>(nHeaderLen - 20), nSum);
      // An odd-length header never occurs, so the payload's words line up after it.
      nSum = SumWords(s.pPayload, static_cast<std::size_t>(s.nHeld), nSum);
      std::uint16_t nCheck = FoldChecksum(nSum);
      if (s.byProtocol == ws::IPPROTO_UDP && nCheck == 0)
        nCheck = 0xFFFF;
      PutBE16(l4 + (s.byProtocol == ws::IPPROTO_TCP ? 16 : 6), nCheck);
    }
    const auto nCaptured = static_cast<std::uint32_t>(nHeaderLen + s.nHeld);
    const auto nTime = static_cast<std::uint64_t>(nTimeMicros);
    m_out.Begin(kEnhancedPacket);
    m_out.Put32(0);
    m_out.Put32(static_cast<std::uint32_t>(nTime >> 32));
    m_out.Put32(static_cast<std::uint32_t>(nTime));
    m_out.Put32(nCaptured);
    m_out.Put32(static_cast<std::uint32_t>(nTotal));
    m_out.PutBytes(header, static_cast<std::size_t>(nHeaderLen));
    m_out.PutBytes(s.pPayload, static_cast<std::size_t>(s.nHeld));
    m_out.End();
  }

  // A connection's start as its three-way handshake, from the end that connected.
  void Handshake(const TRAFFIC_EVENT& e, bool bWeConnected)
  {
    TcpState& st = m_tcp[KeyOf(e)];
    st = {};
    const TRAFFIC_ENDPOINT& client = bWeConnected ? e.local : e.peer;
    const TRAFFIC_ENDPOINT& server = bWeConnected ? e.peer : e.local;
    Packet(e.nTimeMicros, {ws::IPPROTO_TCP, client, server, 0, 0, kTcpSyn});
    Packet(e.nTimeMicros, {ws::IPPROTO_TCP, server, client, 0, 1, kTcpSyn | kTcpAck});
    Packet(e.nTimeMicros, {ws::IPPROTO_TCP, client, server, 1, 1, kTcpAck});
  }

  void Closing(const TRAFFIC_EVENT& e)
  {
    const auto it = m_tcp.find(KeyOf(e));
    if (it == m_tcp.end())
      return;
    TcpState& st = it->second;
    Packet(e.nTimeMicros, {ws::IPPROTO_TCP, e.local, e.peer, st.nNextOut, st.nNextIn, kTcpFin | kTcpAck});
    m_tcp.erase(it);
  }

  void Data(const TRAFFIC_EVENT& e, const BYTE* pPayload, int nHeld)
  {
    const bool bSent = e.kind == TRAFFIC_SENT;
    const TRAFFIC_ENDPOINT& from = bSent ? e.local : e.peer;
    const TRAFFIC_ENDPOINT& to = bSent ? e.peer : e.local;
    if (e.protocol == TRAFFIC_UDP) {
      Packet(e.nTimeMicros, {ws::IPPROTO_UDP, from, to, 0, 0, 0, pPayload, nHeld, e.nLength});
      return;
    }
    TcpState& st = m_tcp[KeyOf(e)];
    std::uint32_t& nSeq = bSent ? st.nNextOut : st.nNextIn;
    const std::uint32_t nAck = bSent ? st.nNextIn : st.nNextOut;
    for (int nAt = 0; nAt < e.nLength; nAt += PCAPNG_MAX_TCP_SEGMENT) {
      const int nLength = std::min(PCAPNG_MAX_TCP_SEGMENT, e.nLength - nAt);
      const int nSegmentHeld = std::clamp(nHeld - nAt, 0, nLength);
      Packet(e.nTimeMicros, {ws::IPPROTO_TCP, from, to, nSeq, nAck, static_cast<BYTE>(kTcpPush | kTcpAck),
                             pPayload + std::min(nAt, nHeld), nSegmentHeld, nLength});
      nSeq += static_cast<std::uint32_t>(nLength);
    }
  }

  BOOL Finish() { return m_out.Drain(); }

private:
  BlockWriter m_out;
  std::map<ConnectionKey, TcpState> m_tcp;
  std::uint32_t m_nIpId = 1;
};
}  // namespace

BOOL WritePcapng(const CTrafficRecord& record, CFile& file, const CTrafficRows* pRows)
{
  CaptureWriter capture(file);
  capture.Header();
  std::vector<BYTE> payload(65536);
  const int nCount = pRows ? pRows->GetCount() : record.GetCount();
  for (int nRow = 0; nRow < nCount; ++nRow) {
    const TRAFFIC_EVENT* pEvent = pRows ? record.FindEvent(pRows->GetNumber(nRow)) : &record.GetEvent(nRow);
    if (!pEvent)
      continue;
    const TRAFFIC_EVENT& e = *pEvent;
    if (e.protocol != TRAFFIC_TCP && !IsDataEvent(e.kind))
      continue;
    switch (e.kind) {
    case TRAFFIC_RECEIVED:
    case TRAFFIC_SENT: {
      if (payload.size() < static_cast<std::size_t>(e.nLength))
        payload.resize(static_cast<std::size_t>(e.nLength));
      const int nHeld = record.CopyPayload(e, payload.data(), e.nLength);
      capture.Data(e, payload.data(), nHeld);
      break;
    }
    case TRAFFIC_OPENED:
      if (e.peer.wPort != 0)
        capture.Handshake(e, true);
      break;
    case TRAFFIC_CLIENT_CONNECTED:
      capture.Handshake(e, false);
      break;
    case TRAFFIC_CLOSED:
    case TRAFFIC_CLIENT_CLOSED:
    case TRAFFIC_CLIENT_DROPPED:
      capture.Closing(e);
      break;
    default:
      break;
    }
  }
  return capture.Finish();
}

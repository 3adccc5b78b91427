// Automatic replies: each chunk that arrives is tried against the enabled rules in order, and the
// first that matches answers the peer that sent it, at once or after its delay on a timer. The
// rules live in [AutoReply] of the settings file and are written back only as the window changes
// them.
#pragma once

#include "dialog/ChannelTool.h"
#include "dialog/ReplyRules.h"

#include <cstdint>
#include <map>
#include <vector>

inline constexpr const char* AUTO_REPLY_SECTION = "AutoReply";
// Delayed replies that may wait at once; one more is not sent, and counted so.
inline constexpr int AUTO_REPLY_PENDING_LIMIT = 4096;

class CAutoReply : public CChannelTool {
public:
  explicit CAutoReply(CChannel& channel);
  ~CAutoReply() override;

  void Load();
  // Writes the switch, the count and every rule's line; entries past the count go.
  void Save();
  // Lines in the settings file that were not usable rules when they were read: "RuleN: why".
  const std::vector<CString>& GetLoadProblems() const { return m_loadProblems; }

  CReplyRules& Rules() { return m_rules; }
  SEND_OPTIONS SendOptions() { return m_channel.GetSendOptions(); }
  BOOL IsEnabled() const { return m_bEnabled; }
  void SetEnabled(BOOL bEnabled) { m_bEnabled = bEnabled; }

  // Replies that went, those that could not (refused, failed, or cancelled as the channel
  // closed), and those waiting for their delay.
  std::uint64_t GetReplies() const { return m_nReplies; }
  std::uint64_t GetNotSent() const { return m_nNotSent; }
  int GetPending() const { return static_cast<int>(m_pending.size()); }
  void ClearCounts();
  // Grows with every hit, so a window can tell it has news.
  std::uint64_t GetSerial() const { return m_nSerial; }

protected:
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

private:
  struct Pending {
    CHANNEL_PEER to;
    std::vector<BYTE> bytes;
  };
  void OnChunk(const CHANNEL_CHUNK& chunk) override;
  void OnChannelClosed() override;
  void SendReply(const CHANNEL_PEER& to, const BYTE* pData, int nLength);
  void SendDue();
  void ArmTimer();

  CReplyRules m_rules;
  BOOL m_bEnabled = FALSE;
  std::vector<CString> m_loadProblems;
  int m_nSavedCount = 0;
  std::uint64_t m_nReplies = 0;
  std::uint64_t m_nNotSent = 0;
  std::uint64_t m_nSerial = 0;
  // By the monotonic time they are due; equal times keep their order.
  std::multimap<std::uint64_t, Pending> m_pending;
};

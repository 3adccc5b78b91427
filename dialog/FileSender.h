// Sending a file: over TCP streamed as fast as the connection takes it, over UDP cut into
// datagrams with an optional pause between them; the loop keeps its other work meanwhile.
#pragma once

#include "dialog/ChannelTool.h"
#include "platform/cfile.h"

#include <cstdint>
#include <functional>
#include <vector>

// A file over TCP is read and sent this much at a time; over UDP a datagram at a time.
inline constexpr int SEND_FILE_BLOCK = 256 * 1024;
inline constexpr int SEND_FILE_DEFAULT_DATAGRAM = 1024;
inline constexpr int SEND_FILE_MAX_DATAGRAM = 65507;
// How long one turn may hold the loop before other work gets its turn.
inline constexpr std::uint64_t SEND_FILE_TURN_MICROS = 1000;

class CFileSender : public CChannelTool {
public:
  explicit CFileSender(CChannel& channel);
  ~CFileSender() override;

  // Opens the file and starts; FALSE, after telling the user why, when it cannot.
  BOOL Start(LPCTSTR lpszPath, int nDatagram, int nPauseMs);
  void Stop(LPCTSTR lpszWhy = "已取消");
  BOOL IsSending() const { return m_bSending; }
  std::uint64_t GetSize() const { return m_nSize; }
  std::uint64_t GetSent() const { return m_nSent; }
  std::uint64_t GetMicros() const;
  // Why the last send ended early, or empty.
  const CString& GetError() const { return m_strError; }
  // Called when a send ends by itself.
  void SetChangeHandler(std::function<void()> fn) { m_onChange = std::move(fn); }

protected:
  void OnTimer(UINT_PTR nIDEvent);
  LRESULT OnContinue(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

private:
  // What the send waits for before its next turn.
  enum WAIT { WAIT_NONE, WAIT_WRITE, WAIT_TURN, WAIT_PAUSE };

  void OnWritable(const CHANNEL_PEER& peer) override;
  void OnChannelClosed() override { Stop("通道已关闭"); }
  void Continue();
  BOOL ReadBlock();
  void End(const CString& strError);

  CHANNEL_PEER m_peer;
  BOOL m_bStream = FALSE;
  CFile m_file;
  BOOL m_bSending = FALSE;
  std::uint64_t m_nSize = 0;
  std::uint64_t m_nSent = 0;
  std::uint64_t m_nRead = 0;
  std::uint64_t m_nStart = 0;
  std::uint64_t m_nEnd = 0;
  std::vector<BYTE> m_block;
  int m_nBlockLen = 0;
  int m_nBlockAt = 0;
  int m_nDatagram = SEND_FILE_DEFAULT_DATAGRAM;
  int m_nPause = 0;
  WAIT m_nWait = WAIT_NONE;
  CString m_strError;
  std::function<void()> m_onChange;
};

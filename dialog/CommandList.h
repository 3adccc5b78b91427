// The command list: named payloads sent one at a time or run in order, each waiting for the answer
// it expects (gathered from the chunks its peer sends, judged when it matches or its time-out
// passes) and for its pause. Kept in [Commands] of the settings file, written as the window
// changes it.
#pragma once

#include "codec/command.h"
#include "dialog/ByteMatch.h"
#include "dialog/ChannelTool.h"

#include <cstdint>
#include <deque>
#include <vector>

inline constexpr const char* COMMANDS_SECTION = "Commands";
// An answer gathered past this many bytes is judged at once.
inline constexpr int COMMAND_ANSWER_LIMIT = 65536;
// Results kept for 保存结果; the oldest give way and are counted.
inline constexpr int COMMAND_RESULTS_LIMIT = 100000;

enum COMMAND_RESULT { RESULT_NONE, RESULT_SENT, RESULT_PASS, RESULT_TIMEOUT, RESULT_MISMATCH, RESULT_NOT_SENT };
const char* CommandResultText(int nResult);

struct COMMAND_ENTRY {
  COMMAND command;
  BOOL bUsable = FALSE;
  CString strLine;  // as written, or as the window last wrote it
  CString strWhy;   // why the line is no usable command
  int nResult = RESULT_NONE;
  double dRttMs = 0;
  std::vector<BYTE> answer;  // what came for it last time
  CByteMatch expect;
};

struct COMMAND_RUN_RESULT {
  std::int64_t nTimeMicros;  // wall clock, when it was sent
  CString strName;
  std::vector<BYTE> sent;
  int nResult;
  double dRttMs;
  std::vector<BYTE> answer;
};

class CCommandList : public CChannelTool {
public:
  explicit CCommandList(CChannel& channel);
  ~CCommandList() override;

  void Load();
  void Save();
  const std::vector<CString>& GetLoadProblems() const { return m_loadProblems; }

  int GetCount() const { return static_cast<int>(m_entries.size()); }
  const COMMAND_ENTRY& GetAt(int nIndex) const { return m_entries[static_cast<std::size_t>(nIndex)]; }
  // A line as the settings file or an exported file has it; kept even when it is no command.
  void AddLine(const CString& strLine);
  BOOL Insert(int nIndex, const COMMAND& command, CString& strWhy);
  BOOL Replace(int nIndex, const COMMAND& command, CString& strWhy);
  void Remove(int nIndex);
  BOOL Move(int nIndex, int nBy);

  // Sends one command now, as 发 送 does (the user told why when it cannot go).
  BOOL SendNow(int nIndex);
  // Runs the rows (none: every row) in order, nTimes over (0: until stopped); FALSE when it cannot
  // start (the user told why).
  BOOL Run(const std::vector<int>& rows, int nTimes);
  // Ends a run at once; the reason, when given, is shown.
  void Stop(const char* pszWhy = nullptr);
  BOOL IsRunning() const { return m_bRunning; }

  int GetPassed() const { return m_nPassed; }
  int GetFailed() const { return m_nFailed; }
  // Round-trip times of the commands that passed, in milliseconds.
  double GetRttMin() const { return m_dRttMin; }
  double GetRttMax() const { return m_dRttMax; }
  double GetRttAverage() const { return m_nPassed > 0 ? m_dRttSum / m_nPassed : 0; }
  const CString& GetStopReason() const { return m_strStopped; }
  const std::deque<COMMAND_RUN_RESULT>& GetResults() const { return m_results; }
  std::uint64_t GetResultsDropped() const { return m_nResultsDropped; }
  // The results as CSV: time, name, sent (hex), result, round trip (ms), received (hex).
  std::string ResultsCsv() const;
  // Grows with every change a window shows.
  std::uint64_t GetSerial() const { return m_nSerial; }

protected:
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

private:
  enum STATE { STATE_IDLE, STATE_WAITING, STATE_PAUSE };
  void OnChunk(const CHANNEL_CHUNK& chunk) override;
  void OnChannelClosed() override;
  BOOL Prepare(COMMAND_ENTRY& entry, CString& strWhy);
  // A command the window gives, ready, with its line written anew.
  BOOL FromWindow(COMMAND_ENTRY& entry, const COMMAND& command, CString& strWhy);
  BOOL IsFromPeer(const CHANNEL_PEER& from) const;
  void SendCurrent();
  void Finish(int nResult, double dRttMs);
  void Next();
  void Keep(const COMMAND_ENTRY& entry, const std::vector<BYTE>& sent);

  std::vector<COMMAND_ENTRY> m_entries;
  std::vector<CString> m_loadProblems;
  int m_nSavedCount = 0;
  // The run: its rows, where it is, how many passes are left.
  BOOL m_bRunning = FALSE;
  STATE m_state = STATE_IDLE;
  std::vector<int> m_rows;
  std::size_t m_nAt = 0;
  int m_nTimes = 0;
  int m_nPass = 0;
  CHANNEL_PEER m_expectFrom;
  std::uint64_t m_nSentMicros = 0;
  std::int64_t m_nSentWallMicros = 0;
  std::vector<BYTE> m_sent;
  std::vector<BYTE> m_gathered;
  // Totals of the run.
  int m_nPassed = 0;
  int m_nFailed = 0;
  double m_dRttMin = 0;
  double m_dRttMax = 0;
  double m_dRttSum = 0;
  CString m_strStopped;
  std::deque<COMMAND_RUN_RESULT> m_results;
  std::uint64_t m_nResultsDropped = 0;
  std::uint64_t m_nSerial = 0;
};

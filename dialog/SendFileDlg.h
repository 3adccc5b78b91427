// The send file window: the file, the datagram size and pause for UDP, 发 送 / 取 消, and the
// progress (bytes sent of the whole, the rate); it holds the file sender.
#pragma once

#include "dialog/FileSender.h"
#include "dialog/ToolDlg.h"
#include "res/resource.h"

inline constexpr const char* SEND_FILE_SECTION = "SendFile";

class CSendFileDlg : public CToolDlg {
public:
  CSendFileDlg(CChannel& channel, CWnd* pParent);
  enum { IDD = IDD_SEND_FILE };

  CFileSender& Sender() { return m_sender; }
  void Refresh() override;

protected:
  BOOL OnInitDialog() override;
  void OnStart() override;
  void StopRun() override;
  void OnBrowse();
  DECLARE_MESSAGE_MAP()

private:
  CString ProgressText();

  CChannel& m_channel;
  CFileSender m_sender;
};

// One automatic reply rule edited: how it matches, what it answers, after how long, and whether
// the send options' line ending and checksum go with it. OK keeps the window open, with the
// reason, while the rule cannot work.
#pragma once

#include "codec/replyrule.h"
#include "platform/cdialog.h"
#include "res/resource.h"

#include <functional>

class CReplyRuleDlg : public CDialog {
public:
  explicit CReplyRuleDlg(CWnd* pParent);
  enum { IDD = IDD_REPLY_RULE };

  REPLY_RULE m_rule;
  // Takes the rule, or says why not (the window then stays).
  std::function<BOOL(const REPLY_RULE& rule, CString& strWhy)> m_accept;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};

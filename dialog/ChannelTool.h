// A tool over the channel's seam that needs the loop's time: a message-only window for its timers
// and posted messages, and a listener of the channel from the tool's making to its end.
#pragma once

#include "dialog/Channel.h"
#include "platform/cwnd.h"

class CChannelTool : public CWnd, protected CChannelListener {
public:
  explicit CChannelTool(CChannel& channel);
  ~CChannelTool() override;

protected:
  CChannel& m_channel;
};

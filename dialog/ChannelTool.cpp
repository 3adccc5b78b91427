#include "dialog/ChannelTool.h"

CChannelTool::CChannelTool(CChannel& channel) : m_channel(channel)
{
  CreateEx(0, "Message", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
  m_channel.AddListener(this);
}

CChannelTool::~CChannelTool()
{
  m_channel.RemoveListener(this);
}

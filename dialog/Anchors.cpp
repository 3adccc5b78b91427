#include "dialog/Anchors.h"

#include <algorithm>

void CAnchors::Take(CDialog& dlg, const ANCHOR* pAnchors, int nCount)
{
  RECT client{};
  dlg.GetClientRect(&client);
  m_cx = client.right;
  m_cy = client.bottom;
  m_placed.clear();
  for (int i = 0; i < nCount; ++i) {
    const CWnd* pControl = dlg.GetDlgItem(pAnchors[i].nID);
    if (!pControl)
      continue;
    RECT rect{};
    pControl->GetWindowRect(&rect);
    dlg.ScreenToClient(&rect);
    m_placed.push_back({pAnchors[i], rect});
  }
}

void CAnchors::Apply(CDialog& dlg, int cx, int cy) const
{
  if (m_placed.empty())
    return;
  const int dx = cx - m_cx;
  const int dy = cy - m_cy;
  for (const Placed& p : m_placed) {
    CWnd* pControl = dlg.GetDlgItem(p.anchor.nID);
    if (!pControl)
      continue;
    const int x = p.rect.left + (p.anchor.bRight ? dx : 0);
    const int y = p.rect.top + (p.anchor.bBottom ? dy : 0);
    const int w = p.rect.right - p.rect.left + (p.anchor.bWidth ? dx : 0);
    const int h = p.rect.bottom - p.rect.top + (p.anchor.bHeight ? dy : 0);
    pControl->MoveWindow(x, y, std::max(w, 1), std::max(h, 1));
  }
}

// The layout of a window the user can size: each control keeps its distance from the edges it is
// anchored to, and grows with the window where it is asked to.
#pragma once

#include "platform/cdialog.h"

#include <vector>

struct ANCHOR {
  int nID;
  bool bRight;   // moves with the right edge
  bool bBottom;  // moves with the bottom edge
  bool bWidth;   // grows with the width
  bool bHeight;  // grows with the height
};

class CAnchors {
public:
  // The controls' places and the window's size as the template made them (from OnInitDialog).
  void Take(CDialog& dlg, const ANCHOR* pAnchors, int nCount);
  // Moves them for the window's client size (from OnSize).
  void Apply(CDialog& dlg, int cx, int cy) const;

private:
  struct Placed {
    ANCHOR anchor;
    RECT rect;
  };
  std::vector<Placed> m_placed;
  int m_cx = 0;
  int m_cy = 0;
};

#include "platform/cmdtarget.h"

namespace {
bool entryMatches(const AFX_MSGMAP_ENTRY& e, UINT nMessage, UINT nCode, UINT nID)
{
  if (e.nMessage != nMessage)
    return false;
  const bool bByControl = nMessage == WM_COMMAND || nMessage == WM_NOTIFY;
  return !bByControl || (e.nCode == nCode && e.nID == nID);
}
}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
  return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
  if (!entry)
    return FALSE;
  entry->pfn(this, MAKEWPARAM(nID, static_cast<unsigned>(nCode)), 0);
  return TRUE;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
      if (entryMatches(*e, nMessage, nCode, nID))
        return e;
    }
  }
  return nullptr;
}

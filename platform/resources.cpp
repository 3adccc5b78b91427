#include "platform/resources.h"

#include <algorithm>
#include <string_view>

namespace {
const ResourceTable* g_pResources = nullptr;
}

void AfxSetResourceTable(const ResourceTable* pTable)
{
  g_pResources = pTable;
}

const DialogTemplate* AfxFindDialogTemplate(UINT nID)
{
  if (!g_pResources)
    return nullptr;
  auto it = std::ranges::find(g_pResources->dialogs, nID, &DialogTemplate::id);
  return it == g_pResources->dialogs.end() ? nullptr : &*it;
}

const BinaryResource* AfxFindBinaryResource(const char* type, UINT nID)
{
  if (!g_pResources)
    return nullptr;
  auto it = std::ranges::find_if(
      g_pResources->binaries, [&](const BinaryResource& r) { return r.id == nID && std::string_view(r.type) == type; });
  return it == g_pResources->binaries.end() ? nullptr : &*it;
}

const char* AfxFindString(UINT nID)
{
  if (!g_pResources)
    return nullptr;
  auto it = std::ranges::find(g_pResources->strings, nID, &StringResource::id);
  return it == g_pResources->strings.end() ? nullptr : it->text;
}

#include "platform/resources.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {
const ResourceTable* g_pResources = nullptr;
}

void AfxSetResourceTable(const ResourceTable* pTable)
{
  g_pResources = pTable;
}

const ResourceTable* AfxGetResourceTable()
{
  return g_pResources;
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
  auto it = std::ranges::find_if(g_pResources->binaries, [&](const BinaryResource& r) {
    return r.id == nID && std::string_view(r.type) == type;
  });
  return it == g_pResources->binaries.end() ? nullptr : &*it;
}

const char* AfxFindString(UINT nID)
{
  if (!g_pResources)
    return nullptr;
  auto it = std::ranges::find(g_pResources->strings, nID, &StringResource::id);
  return it == g_pResources->strings.end() ? nullptr : it->text;
}

int LoadString(HINSTANCE, UINT uID, LPTSTR lpBuffer, int cchBufferMax)
{
  const char* text = AfxFindString(uID);
  if (!text || !lpBuffer || cchBufferMax <= 0)
    return 0;
  const auto n = std::min(std::strlen(text), static_cast<std::size_t>(cchBufferMax - 1));
  std::memcpy(lpBuffer, text, n);
  lpBuffer[n] = '\0';
  return static_cast<int>(n);
}

BOOL CString::LoadString(UINT nID)
{
  const char* text = AfxFindString(nID);
  *this = CString(text);
  return text != nullptr;
}

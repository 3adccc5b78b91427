#include "dialog/SendOptions.h"

#include "platform/cwinapp.h"

namespace {
constexpr const char* kEscapes = "Escapes";
constexpr const char* kLineEnding = "LineEnding";
constexpr const char* kChecksum = "Checksum";

int InRange(UINT nValue, int nCount)
{
  return nValue < static_cast<UINT>(nCount) ? static_cast<int>(nValue) : 0;
}
}  // namespace

void CSendOptions::Load()
{
  CWinApp* pApp = AfxGetApp();
  bEscapes = pApp->GetProfileInt(SEND_OPTIONS_SECTION, kEscapes, 0) == 1;
  nLineEnding = InRange(pApp->GetProfileInt(SEND_OPTIONS_SECTION, kLineEnding, 0), LINE_ENDINGS);
  nChecksum = InRange(pApp->GetProfileInt(SEND_OPTIONS_SECTION, kChecksum, 0), CHECKSUM_KINDS);
}

void CSendOptions::Save() const
{
  CWinApp* pApp = AfxGetApp();
  const CProfileBatch batch;
  pApp->WriteProfileInt(SEND_OPTIONS_SECTION, kEscapes, bEscapes ? 1 : 0);
  pApp->WriteProfileInt(SEND_OPTIONS_SECTION, kLineEnding, nLineEnding);
  pApp->WriteProfileInt(SEND_OPTIONS_SECTION, kChecksum, nChecksum);
}

#include "dialog/RecvOptions.h"

#include "platform/cwinapp.h"

namespace {
constexpr const char* kShowPeer = "ShowPeer";
constexpr const char* kShowSent = "ShowSent";
constexpr const char* kBreakPerChunk = "BreakPerChunk";
constexpr const char* kControls = "Controls";
constexpr const char* kEncoding = "Encoding";

int InRange(UINT nValue, int nCount)
{
  return nValue < static_cast<UINT>(nCount) ? static_cast<int>(nValue) : 0;
}
}  // namespace

BOOL CRecvOptions::IsDefault() const
{
  return !bShowPeer && !bShowSent && !bBreakPerChunk && nControls == CONTROLS_RAW && nEncoding == ENCODING_UTF8;
}

void CRecvOptions::Load()
{
  CWinApp* pApp = AfxGetApp();
  bShowPeer = InRange(pApp->GetProfileInt(RECV_OPTIONS_SECTION, kShowPeer, 0), 2);
  bShowSent = InRange(pApp->GetProfileInt(RECV_OPTIONS_SECTION, kShowSent, 0), 2);
  bBreakPerChunk = InRange(pApp->GetProfileInt(RECV_OPTIONS_SECTION, kBreakPerChunk, 0), 2);
  nControls = InRange(pApp->GetProfileInt(RECV_OPTIONS_SECTION, kControls, 0), CONTROL_STYLES);
  nEncoding = InRange(pApp->GetProfileInt(RECV_OPTIONS_SECTION, kEncoding, 0), TEXT_ENCODINGS);
}

void CRecvOptions::Save() const
{
  CWinApp* pApp = AfxGetApp();
  const CProfileBatch batch;
  pApp->WriteProfileInt(RECV_OPTIONS_SECTION, kShowPeer, bShowPeer ? 1 : 0);
  pApp->WriteProfileInt(RECV_OPTIONS_SECTION, kShowSent, bShowSent ? 1 : 0);
  pApp->WriteProfileInt(RECV_OPTIONS_SECTION, kBreakPerChunk, bBreakPerChunk ? 1 : 0);
  pApp->WriteProfileInt(RECV_OPTIONS_SECTION, kControls, nControls);
  pApp->WriteProfileInt(RECV_OPTIONS_SECTION, kEncoding, nEncoding);
}

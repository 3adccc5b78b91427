// Kernel, version, sound and drawing calls the program makes outside any window class,
// with their Windows names; the file formats and devices behind them are this folder's business.
#pragma once

#include "platform/cwnd.h"
#include "platform/windef.h"

inline constexpr int MAX_PATH = 260;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr DWORD SND_ASYNC = 0x0001;
inline constexpr DWORD SND_RESOURCE = 0x00040004;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

// The version resource as the program file carries it: the fixed part and one string block.
struct VersionString {
  char key[32];
  char value[96];
};
struct VersionResource {
  char signature[16];  // "LANSPRY-VERINFO"
  VS_FIXEDFILEINFO fixed;
  char block[16];  // language and code page, "080404b0"
  VersionString strings[12];
};
// The section of the program file that holds the VersionResource.
#define LANSPRY_VERSION_SECTION ".lanspry_version"

HINSTANCE AfxGetResourceHandle();
DWORD GetModuleFileName(HINSTANCE hModule, LPTSTR lpFilename, DWORD nSize);
BOOL SetCurrentDirectory(LPCTSTR lpPathName);
// Milliseconds since an arbitrary start, from a clock that never goes back.
std::uint64_t GetTickCount64();

DWORD GetFileVersionInfoSize(LPCTSTR lptstrFilename, DWORD* lpdwHandle);
BOOL GetFileVersionInfo(LPCTSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, void* lpData);
BOOL VerQueryValue(const void* pBlock, LPCTSTR lpSubBlock, void** lplpBuffer, UINT* puLen);

HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
void* GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);

BOOL PlaySound(LPCTSTR pszSound, HINSTANCE hmod, DWORD fdwSound);
int GetSystemMetrics(int nIndex);
// Only the fixed-pitch font, for WM_SETFONT: the dialog's size in the desktop's monospace face.
inline constexpr int ANSI_FIXED_FONT = 11;
HGDIOBJ GetStockObject(int nIndex);

// A paint context on a window, open while the window handles WM_PAINT.
class CPaintDC {
public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON hIcon);

private:
  HDC m_hDC = nullptr;
};

namespace platform {
// Tests stand in another program file for GetModuleFileName; nullptr restores the real one.
void SetModuleFileNameOverride(const char* path);
// Number of cues PlaySound has started, for tests on machines without sound.
int PlayedSoundCount();
}  // namespace platform

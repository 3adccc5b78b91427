// Module path, working directory and global memory blocks.
#include "platform/winapi.h"

#include <unistd.h>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

struct HGLOBAL__ {
  std::vector<unsigned char> bytes;
  int locks = 0;
};

namespace {
std::string g_moduleOverride;
bool g_hasOverride = false;

std::string ownExecutablePath()
{
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}
}  // namespace

void platform::SetModuleFileNameOverride(const char* path)
{
  g_hasOverride = path != nullptr;
  g_moduleOverride = path ? path : "";
}

HINSTANCE AfxGetResourceHandle()
{
  return nullptr;
}

// Copies the path, cut to the buffer and terminated; returns its length, or nSize when cut.
DWORD GetModuleFileName(HINSTANCE, LPTSTR lpFilename, DWORD nSize)
{
  if (!lpFilename || nSize == 0)
    return 0;
  const std::string path = g_hasOverride ? g_moduleOverride : ownExecutablePath();
  const std::size_t n = std::min<std::size_t>(path.size(), nSize - 1);
  std::memcpy(lpFilename, path.data(), n);
  lpFilename[n] = '\0';
  return path.size() >= nSize ? nSize : static_cast<DWORD>(n);
}

BOOL SetCurrentDirectory(LPCTSTR lpPathName)
{
  return lpPathName && ::chdir(lpPathName) == 0;
}

std::uint64_t GetTickCount64()
{
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

HGLOBAL GlobalAlloc(UINT, std::size_t dwBytes)
{
  auto* h = new HGLOBAL__;
  h->bytes.resize(dwBytes);
  return h;
}

void* GlobalLock(HGLOBAL hMem)
{
  if (!hMem)
    return nullptr;
  ++hMem->locks;
  return hMem->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
  if (!hMem || hMem->locks == 0)
    return FALSE;
  return --hMem->locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
  delete hMem;
  return nullptr;
}

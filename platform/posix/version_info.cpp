// Version information read from a program file: the build places a VersionResource in a section
// of its own, and these calls find that section by name in the ELF file named.
#include "platform/winapi.h"

#include <elf.h>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char kSignature[] = "LANSPRY-VERINFO";

struct Section {
  std::uint64_t offset;
  std::uint64_t size;
};

// More than any section name table holds; a larger one is not looked through.
constexpr std::uint64_t kMaxNameTable = 1 << 20;

bool readBytesAt(std::ifstream& in, std::uint64_t offset, void* out, std::size_t size)
{
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<bool>(in);
}

template <typename T>
bool readAt(std::ifstream& in, std::uint64_t offset, T& out)
{
  return readBytesAt(in, offset, &out, sizeof out);
}

// The section headers and their names are read whole: a seek and a read per section would cost
// the title a few hundred read calls at start-up.
std::optional<Section> findVersionSection(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  Elf64_Ehdr eh{};
  if (!in || !readAt(in, 0, eh))
    return std::nullopt;
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64)
    return std::nullopt;
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shstrndx >= eh.e_shnum)
    return std::nullopt;
  std::vector<Elf64_Shdr> headers(eh.e_shnum);
  if (!readBytesAt(in, eh.e_shoff, headers.data(), headers.size() * sizeof(Elf64_Shdr)))
    return std::nullopt;
  const Elf64_Shdr& names = headers[eh.e_shstrndx];
  std::string table(static_cast<std::size_t>(std::min<std::uint64_t>(names.sh_size, kMaxNameTable)), '\0');
  if (!readBytesAt(in, names.sh_offset, table.data(), table.size()))
    return std::nullopt;
  const std::string_view wanted(LANSPRY_VERSION_SECTION);
  for (const Elf64_Shdr& sh : headers) {
    if (sh.sh_name >= table.size() || sh.sh_type != SHT_PROGBITS || sh.sh_size < sizeof(VersionResource))
      continue;
    if (std::string_view(table.c_str() + sh.sh_name) == wanted)
      return Section{sh.sh_offset, sizeof(VersionResource)};
  }
  return std::nullopt;
}

bool hasSignature(const VersionResource& r)
{
  return std::memcmp(r.signature, kSignature, sizeof kSignature) == 0;
}

// "\StringFileInfo\<block>\<key>" to the key, when the block matches.
std::optional<std::string_view> stringKey(std::string_view path, std::string_view block)
{
  constexpr std::string_view prefix = "\\StringFileInfo\\";
  if (!path.starts_with(prefix))
    return std::nullopt;
  path.remove_prefix(prefix.size());
  if (!path.starts_with(block) || path.size() <= block.size() || path[block.size()] != '\\')
    return std::nullopt;
  return path.substr(block.size() + 1);
}

}  // namespace

DWORD GetFileVersionInfoSize(LPCTSTR lptstrFilename, DWORD* lpdwHandle)
{
  if (lpdwHandle)
    *lpdwHandle = 0;
  if (!lptstrFilename)
    return 0;
  const auto section = findVersionSection(lptstrFilename);
  return section ? static_cast<DWORD>(section->size) : 0;
}

BOOL GetFileVersionInfo(LPCTSTR lptstrFilename, DWORD, DWORD dwLen, void* lpData)
{
  if (!lptstrFilename || !lpData)
    return FALSE;
  const auto section = findVersionSection(lptstrFilename);
  if (!section || dwLen < section->size)
    return FALSE;
  std::ifstream in(lptstrFilename, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(section->offset));
  in.read(static_cast<char*>(lpData), static_cast<std::streamsize>(section->size));
  return in && hasSignature(*static_cast<const VersionResource*>(lpData));
}

BOOL VerQueryValue(const void* pBlock, LPCTSTR lpSubBlock, void** lplpBuffer, UINT* puLen)
{
  if (!pBlock || !lpSubBlock || !lplpBuffer || !puLen)
    return FALSE;
  auto* r = static_cast<VersionResource*>(const_cast<void*>(pBlock));
  if (!hasSignature(*r))
    return FALSE;
  const std::string_view path(lpSubBlock);
  if (path == "\\") {
    *lplpBuffer = &r->fixed;
    *puLen = sizeof r->fixed;
    return TRUE;
  }
  const auto key = stringKey(path, std::string_view(r->block, strnlen(r->block, sizeof r->block)));
  if (!key)
    return FALSE;
  for (VersionString& s : r->strings) {
    if (std::string_view(s.key, strnlen(s.key, sizeof s.key)) == *key) {
      *lplpBuffer = s.value;
      *puLen = static_cast<UINT>(strnlen(s.value, sizeof s.value) + 1);
      return TRUE;
    }
  }
  return FALSE;
}

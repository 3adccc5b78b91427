// The version resource, placed in a section of its own so that version queries can find it in
// the program file. The numbers come from the one version the build defines.
#include "platform/winapi.h"

#define LANSPRY_STR2(x) #x
#define LANSPRY_STR(x) LANSPRY_STR2(x)
#define LANSPRY_VERSION_TEXT                                                                        \
  LANSPRY_STR(LANSPRY_VERSION_MAJOR)                                                                \
  ", " LANSPRY_STR(LANSPRY_VERSION_MINOR) ", " LANSPRY_STR(LANSPRY_VERSION_PATCH) ", " LANSPRY_STR( \
      LANSPRY_VERSION_TWEAK)

namespace {
constexpr DWORD kVersionMS = (LANSPRY_VERSION_MAJOR << 16) | LANSPRY_VERSION_MINOR;
constexpr DWORD kVersionLS = (LANSPRY_VERSION_PATCH << 16) | LANSPRY_VERSION_TWEAK;
}  // namespace

extern const VersionResource g_lanspryVersion;

[[gnu::used, gnu::section(LANSPRY_VERSION_SECTION)]] const VersionResource g_lanspryVersion = {
    "LANSPRY-VERINFO",
    {0xFEEF04BD, 0x00010000, kVersionMS, kVersionLS, kVersionMS, kVersionLS, 0x3F, 0, 0x40004, 1, 0, 0, 0},
    "080404b0",
    {
        {"Comments", ""},
        {"CompanyName", ""},
        {"FileDescription", "Lanspry"},
        {"FileVersion", LANSPRY_VERSION_TEXT},
        {"InternalName", "lanspry"},
        {"LegalCopyright", "Copyright (C) 2026 Lanspry developers"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "lanspry"},
        {"PrivateBuild", ""},
        {"ProductName", "Lanspry"},
        {"ProductVersion", LANSPRY_VERSION_TEXT},
        {"SpecialBuild", ""},
    },
};

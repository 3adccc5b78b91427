// The settings text editor on strings alone: the same hand-written files as the settings file's
// tests, edited in memory, and lookups by section and key.
#include "platform/internal/ini_text.h"
#include "tests/ini_edits.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct Write {
  const char* key;
  const char* value;
};
// What a successful open writes, in its order.
constexpr Write kTheFourKeys[] = {
    {"LastDestPort", "7001"}, {"LastLocalPort", "7002"}, {"LastType", "1"}, {"LastdwIPADDRESS", "2130706437"}};

std::string WriteTheFourKeys(std::string text)
{
  for (const Write& w : kTheFourKeys)
    text = platform::SetIniValue(text, "ClientParams", w.key, w.value);
  return text;
}

TEST(IniText, WritingChangesOnlyTheKeysLines)
{
  for (const test::ProfileEditRow& row : test::kProfileEdits) {
    SCOPED_TRACE(row.name);
    const std::string after = WriteTheFourKeys(row.before == "-" ? std::string() : row.before);
    EXPECT_EQ(after, row.after);
    EXPECT_EQ(WriteTheFourKeys(after), after);  // the same again changes nothing
    for (const Write& w : kTheFourKeys)
      EXPECT_EQ(platform::FindIniValue(after, "ClientParams", w.key), std::optional<std::string>(w.value)) << w.key;
  }
}

struct LookupRow {
  const char* text;
  const char* section;
  const char* key;
  std::optional<std::string> value;
};

const LookupRow kLookups[] = {
    {"[A]\nk=1\n", "A", "k", "1"},
    {"[a]\r\n  K  =  spaced  \r\n", "A", "k", "spaced"},
    {"[A]\nk=\"quoted\"\n", "A", "k", "quoted"},
    {"[A]\nk=1\n[B]\nk=2\n", "B", "k", "2"},
    {"[A]\n[A]\nk=second\n", "A", "k", "second"},
    {"[A]\nother=1\n", "A", "k", std::nullopt},
    {"k=outside\n[A]\n", "A", "k", std::nullopt},
    {"", "A", "k", std::nullopt},
};

// A last line without a line feed but with a CR reads as ended; what is added after it completes
// the CR LF instead of leaving the CR inside the line.
TEST(IniText, ALastLineEndingInACarriageReturn)
{
  const struct {
    const char* before;
    const char* after;
  } rows[] = {
      {"@\r\n[0\r", "@\r\n[0\r\n_=v"},
      {"[Other]\nx=1\r", "[Other]\nx=1\r\n[0]\n_=v"},
  };
  for (const auto& row : rows) {
    const std::string after = platform::SetIniValue(row.before, "0", "_", "v");
    EXPECT_EQ(after, row.after);
    EXPECT_EQ(platform::FindIniValue(after, "0", "_"), std::optional<std::string>("v")) << row.before;
  }
}

TEST(IniText, FindsTheFirstValueInAnySectionOfThatName)
{
  for (const LookupRow& row : kLookups)
    EXPECT_EQ(platform::FindIniValue(row.text, row.section, row.key), row.value) << row.text;
}

}  // namespace

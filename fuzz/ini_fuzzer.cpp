// Feeds any bytes to the settings text editor as a file, with a section, key and value taken from
// the input, and checks its promise: the value reads back, writing it again changes nothing, and
// no byte outside the key's line (or the lines it adds) changes.
#include "platform/internal/ini_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool ok)
{
  if (!ok)
    std::abort();
}

constexpr std::string_view kNameAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";

// Names as the program writes them: letters, digits and underscores.
std::string nameFrom(std::string_view bytes)
{
  std::string name;
  for (char c : bytes)
    name += kNameAlphabet[static_cast<unsigned char>(c) % kNameAlphabet.size()];
  return name;
}

// A value that reads back as written: printable, without blanks at its ends or enclosing quotes.
std::string valueFrom(std::string_view bytes)
{
  std::string value;
  for (char c : bytes)
    value += static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0x5F);
  const auto first = value.find_first_not_of(' ');
  if (first == std::string::npos)
    return {};
  value = value.substr(first, value.find_last_not_of(' ') - first + 1);
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (quoted)
    value.back() = 'x';
  return value;
}

std::size_t lineBreaks(std::string_view s)
{
  return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size < 3)
    return 0;
  const auto sectionLength = static_cast<std::size_t>(data[0] % 16 + 1);
  const auto keyLength = static_cast<std::size_t>(data[1] % 16 + 1);
  const auto valueLength = static_cast<std::size_t>(data[2] % 32);
  if (size < 3 + sectionLength + keyLength + valueLength)
    return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string section = nameFrom(input.substr(0, sectionLength));
  const std::string key = nameFrom(input.substr(sectionLength, keyLength));
  const std::string value = valueFrom(input.substr(sectionLength + keyLength, valueLength));
  const std::string_view text = input.substr(sectionLength + keyLength + valueLength);

  const std::string written = platform::SetIniValue(text, section, key, value);
  check(platform::FindIniValue(written, section, key) == value);
  check(platform::SetIniValue(written, section, key, value) == written);

  // Apart from one stretch, the key's line or the lines added, the text is the same byte for byte.
  const std::size_t common = std::min(text.size(), written.size());
  std::size_t prefix = 0;
  while (prefix < common && text[prefix] == written[prefix])
    ++prefix;
  std::size_t suffix = 0;
  while (suffix < common - prefix && text[text.size() - 1 - suffix] == written[written.size() - 1 - suffix])
    ++suffix;
  const std::string_view removed = text.substr(prefix, text.size() - prefix - suffix);
  const std::string_view added = std::string_view(written).substr(prefix, written.size() - prefix - suffix);
  check(lineBreaks(removed) <= 1);
  check(lineBreaks(added) <= 3);  // a line break for a last line without one, the section, the key
  return 0;
}

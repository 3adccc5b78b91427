#include "platform/internal/ini_text.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s)
{
  while (!s.empty() && isBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

char asciiLower(char c)
{
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// One line of the text: its content without the line break, and where the next line starts.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;   // content end, before any "\r\n" or "\n"
  std::size_t next = 0;  // after the line break, or the text's end for a last line without one
  bool terminated = false;
};

Line lineAt(std::string_view text, std::size_t pos)
{
  Line line{pos, text.size(), text.size(), false};
  const std::size_t nl = text.find('\n', pos);
  if (nl != std::string_view::npos) {
    line.end = nl;
    line.next = nl + 1;
    line.terminated = true;
  }
  if (line.end > line.begin && text[line.end - 1] == '\r')
    --line.end;
  return line;
}

// What a line means: a section header, an entry (key = value), or anything else, which is kept.
struct Parsed {
  enum Kind { Other, Section, Entry } kind = Other;
  std::string_view name;       // the section's or the key's
  std::size_t valueBegin = 0;  // offset in the text of the value, after the '=' and blanks
};

Parsed parse(std::string_view text, const Line& line)
{
  std::string_view content = text.substr(line.begin, line.end - line.begin);
  if (line.begin == 0 && content.starts_with(kBom))
    content.remove_prefix(kBom.size());
  const std::string_view t = trimmed(content);
  if (t.empty() || t.front() == ';' || t.front() == '#')
    return {};
  if (t.front() == '[') {
    // A header without its ']' still opens the section, as readers have always taken it.
    const std::string_view inner = t.substr(1);
    return {Parsed::Section, trimmed(inner.substr(0, inner.find(']'))), 0};
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos)
    return {};
  std::size_t value = static_cast<std::size_t>(t.data() - text.data()) + eq + 1;
  while (value < line.end && isBlank(text[value]))
    ++value;
  return {Parsed::Entry, trimmed(t.substr(0, eq)), value};
}

std::string_view lineBreakOf(std::string_view text)
{
  const std::size_t nl = text.find('\n');
  if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r')
    return "\r\n";
  return "\n";
}

// The break that ends a last line left without one. A CR already there is the first half of a
// CR LF (reading takes it as the line's end), so only the LF is added.
std::string_view closingBreak(std::string_view text, std::string_view eol)
{
  return !text.empty() && text.back() == '\r' ? std::string_view("\n") : eol;
}

// Where the key stands, or where it would go.
struct Place {
  bool found = false;  // the key's line exists
  Line line;           // the key's line
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
  bool sectionFound = false;
  Line insertAfter;  // the last entry of the first such section, or its header
};

Place locate(std::string_view text, std::string_view section, std::string_view key)
{
  Place place;
  bool inSection = false;
  bool inFirstSection = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = lineAt(text, pos);
    pos = line.next;
    const Parsed p = parse(text, line);
    if (p.kind == Parsed::Section) {
      inSection = sameName(p.name, section);
      inFirstSection = inSection && !place.sectionFound;
      if (inFirstSection) {
        place.sectionFound = true;
        place.insertAfter = line;
      }
      continue;
    }
    if (p.kind != Parsed::Entry || !inSection)
      continue;
    if (sameName(p.name, key)) {
      place.found = true;
      place.line = line;
      place.valueBegin = p.valueBegin;
      place.valueEnd = line.end;
      return place;
    }
    if (inFirstSection)
      place.insertAfter = line;
  }
  return place;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key)
{
  const Place place = locate(text, section, key);
  if (!place.found)
    return std::nullopt;
  std::string_view value = trimmed(text.substr(place.valueBegin, place.valueEnd - place.valueBegin));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
  const Place place = locate(text, section, key);
  const std::string_view eol = lineBreakOf(text);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  if (place.found) {
    out.append(text.substr(0, place.valueBegin)).append(value).append(text.substr(place.valueEnd));
    return out;
  }
  const std::string entry = std::string(key) + '=' + std::string(value);
  if (place.sectionFound) {
    // A last line without a line break keeps that shape: the break goes before the new entry.
    const Line& after = place.insertAfter;
    out.append(text.substr(0, after.next));
    if (after.terminated)
      out.append(entry).append(eol);
    else
      out.append(closingBreak(text, eol)).append(entry);
    out.append(text.substr(after.next));
    return out;
  }
  out.append(text);
  const bool unterminated = !text.empty() && text.back() != '\n';
  if (unterminated)
    out.append(closingBreak(text, eol));
  out.append("[").append(section).append("]").append(eol).append(entry);
  if (!unterminated)
    out.append(eol);
  return out;
}

std::string RemoveIniValue(std::string_view text, std::string_view section, std::string_view key)
{
  const Place place = locate(text, section, key);
  if (!place.found)
    return std::string(text);
  std::string out(text.substr(0, place.line.begin));
  out.append(text.substr(place.line.next));
  return out;
}

}  // namespace platform

#include "platform/internal/line_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {
namespace {

bool isHighSurrogate(char16_t c)
{
  return c >= 0xD800 && c < 0xDC00;
}

bool isLowSurrogate(char16_t c)
{
  return c >= 0xDC00 && c < 0xE000;
}

}  // namespace

void LineLayout::setMetrics(Measure measure, double lineHeight)
{
  m_measure = std::move(measure);
  m_lineHeight = std::max(1.0, lineHeight);
  m_asciiMeasured = false;
  m_otherAdvance.clear();
}

// Measured when first asked for, not with the font: a view that starts empty (the receive display
// at start-up) would otherwise shape every ASCII character before its window is shown.
void LineLayout::measureAscii()
{
  if (m_asciiMeasured)
    return;
  m_asciiMeasured = true;
  for (char32_t c = 0; c < 128; ++c) {
    m_asciiAdvance[c] = c < U' ' || !m_measure ? 0 : m_measure(c);
    m_asciiWidth64[c] = static_cast<int>(std::lround(m_asciiAdvance[c] * 64));
  }
}

double LineLayout::advance(char32_t c)
{
  if (c < 128) {
    measureAscii();
    return m_asciiAdvance[c];
  }
  auto it = m_otherAdvance.find(c);
  if (it != m_otherAdvance.end())
    return it->second;
  const double a = m_measure ? m_measure(c) : 0;
  m_otherAdvance.emplace(c, a);
  return a;
}

double LineLayout::advanceAt(int position)
{
  return advance(unitAt(position).code);
}

LineLayout::Unit LineLayout::unitAt(int i) const
{
  const char16_t c = m_text[static_cast<std::size_t>(i)];
  const auto next = static_cast<std::size_t>(i) + 1;
  if (isHighSurrogate(c) && next < m_text.size() && isLowSurrogate(m_text[next]))
    return {0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (m_text[next] - 0xDC00), 2};
  return {c, 1};
}

// Line starts in one pass: words wrap at spaces and around CJK characters; a word wider than the
// line breaks where it overflows; spaces may hang past the edge. ASCII, all of a hex dump, takes
// the short path through a table of advances.
void LineLayout::layout(std::u16string_view text, int width)
{
  m_text = text;
  m_width = std::max(1, width);
  if (!text.empty())
    measureAscii();
  // Widths in 1/64 px, so the running sum is an integer chain.
  const int limit = m_width * 64;
  m_lineStarts.assign(1, 0);
  const int n = static_cast<int>(text.size());
  int lineStart = 0;
  int breakAt = 0;
  int x = 0;
  int xAtBreak = 0;
  for (int i = 0; i < n;) {
    const char16_t c = text[static_cast<std::size_t>(i)];
    int length = 1;
    int a = 0;
    bool cjk = false;
    if (c < 128) {
      if (c == u'\n') {
        m_lineStarts.push_back(++i);
        lineStart = breakAt = i;
        x = xAtBreak = 0;
        continue;
      }
      a = m_asciiWidth64[c];
    } else {
      const Unit u = unitAt(i);
      length = u.length;
      cjk = IsCjk(u.code);
      a = static_cast<int>(std::lround(advance(u.code) * 64));
      if (cjk) {
        breakAt = i;
        xAtBreak = x;
      }
    }
    if (c != u' ' && x + a > limit && i > lineStart) {
      const int start = breakAt > lineStart ? breakAt : i;
      x = start == breakAt ? x - xAtBreak : 0;
      m_lineStarts.push_back(start);
      lineStart = breakAt = start;
      xAtBreak = 0;
    }
    x += a;
    i += length;
    if (c == u' ' || cjk) {
      breakAt = i;
      xAtBreak = x;
    }
  }
}

int LineLayout::lineEnd(int line) const
{
  const auto next = static_cast<std::size_t>(line) + 1;
  int end = next < m_lineStarts.size() ? m_lineStarts[next] : static_cast<int>(m_text.size());
  const auto isBreak = [this](int i) {
    const char16_t c = m_text[static_cast<std::size_t>(i)];
    return c == u'\n' || c == u'\r';
  };
  while (end > lineStart(line) && isBreak(end - 1))
    --end;
  return end;
}

int LineLayout::lineOf(int position) const
{
  auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
  return static_cast<int>(it - m_lineStarts.begin()) - 1;
}

double LineLayout::xOf(int line, int position)
{
  double x = 0;
  for (int i = lineStart(line); i < position;) {
    const Unit u = unitAt(i);
    x += advance(u.code);
    i += u.length;
  }
  return x;
}

int LineLayout::positionAt(int line, double x)
{
  const int end = lineEnd(line);
  double left = 0;
  for (int i = lineStart(line); i < end;) {
    const Unit u = unitAt(i);
    const double a = advance(u.code);
    if (x < left + a / 2)
      return i;
    left += a;
    i += u.length;
  }
  return end;
}

}  // namespace platform

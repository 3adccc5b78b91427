// Line breaking and hit-testing for a read-only text view: where each line starts at a width, how
// far along its line a character stands, and which character a point falls on. Fonts and painting
// are the view's business: it hands in every character's advance.
#pragma once

#include "platform/internal/inside.h"

#include <array>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// CJK and what follows it in Unicode: any two such characters may part at a line break.
inline bool IsCjk(char32_t c)
{
  return c >= 0x2E80;
}

class LineLayout {
public:
  using Measure = std::function<double(char32_t)>;

  // Advances in pixels: ASCII taken once into a table, other characters asked once each.
  void setMetrics(Measure measure, double lineHeight);
  // Lays text out for lines of `width` pixels. The text must outlive the layout's use of it.
  void layout(std::u16string_view text, int width);

  int width() const { return m_width; }
  double lineHeight() const { return m_lineHeight; }
  int lineCount() const { return static_cast<int>(m_lineStarts.size()); }
  const std::vector<int>& lineStarts() const { return m_lineStarts; }
  int lineStart(int line) const { return m_lineStarts[static_cast<std::size_t>(line)]; }
  int lineEnd(int line) const;  // end of the line's visible characters (no CR, no LF)
  int lineOf(int position) const;
  double xOf(int line, int position);
  // The character nearest to x on the line (x from the line's start); its end past the last half.
  int positionAt(int line, double x);
  double advance(char32_t c);
  double advanceAt(int position);

private:
  // One character as laid out: its UTF-16 length and code point.
  struct Unit {
    char32_t code;
    int length;
  };
  Unit unitAt(int i) const;
  void measureAscii();

  std::u16string_view m_text;
  std::vector<int> m_lineStarts{0};
  int m_width = -1;
  double m_lineHeight = 1;
  Measure m_measure;
  std::array<double, 128> m_asciiAdvance{};  // control characters, CR among them, take no room
  std::array<int, 128> m_asciiWidth64{};
  bool m_asciiMeasured = false;
  std::unordered_map<char32_t, double> m_otherAdvance;
};

}  // namespace platform

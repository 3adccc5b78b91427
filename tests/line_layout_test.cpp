// Line breaking and hit-testing with made-up widths: ASCII 6 px, CJK 12 px, as the dialog face has
// them at 9 points.
#include "platform/internal/line_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

double FaceWidth(char32_t c)
{
  return platform::IsCjk(c) ? 12 : 6;
}

platform::LineLayout Layout(const std::u16string& text, int width)
{
  platform::LineLayout layout;
  layout.setMetrics(FaceWidth, 12);
  layout.layout(text, width);
  return layout;
}

struct BreakRow {
  const char* name;
  std::u16string text;
  int width;
  std::vector<int> lineStarts;
};

const BreakRow kBreaks[] = {
    {"Empty", u"", 60, {0}},
    {"FitsOnOneLine", u"0123456789", 60, {0}},
    {"OneCharacterOver", u"0123456789A", 60, {0, 10}},
    {"HexWrapsAtGroups", u"00 01 02 03 04 ", 36, {0, 6, 12}},
    {"SpacesHangPastTheEdge", u"abcde     f", 30, {0, 10}},
    {"LongWordBreaksWhereItOverflows", u"xxxxxxxxxxxxxxxxxxxxxxxx", 60, {0, 10, 20}},
    {"WordMovesToTheNextLine", u"abc defgh", 36, {0, 4}},
    {"LineFeedsBreak", u"a\nb\r\nc", 60, {0, 2, 5}},
    {"CjkBreaksBetweenAnyTwo", u"中文中文中文", 30, {0, 2, 4}},
    {"CjkAfterAsciiWord", u"ab中文", 24, {0, 3}},
    {"SurrogatePairStaysWhole", u"\U0002000B\U0002000B\U0002000B", 24, {0, 4}},
    {"ControlCharactersTakeNoRoom", u"\x01\x02\x03\x04\x05\x06\x07\x08", 6, {0}},
};

TEST(LineLayout, BreaksLinesAsTheTableSays)
{
  for (const BreakRow& row : kBreaks) {
    SCOPED_TRACE(row.name);
    const platform::LineLayout layout = Layout(row.text, row.width);
    EXPECT_EQ(layout.lineStarts(), row.lineStarts);
  }
}

struct HitRow {
  int line;
  double x;
  int position;
};

TEST(LineLayout, PositionsAndPointsAgree)
{
  const std::u16string text = u"ab中\r\ncd";
  platform::LineLayout layout = Layout(text, 600);
  ASSERT_EQ(layout.lineCount(), 2);
  EXPECT_EQ(layout.lineEnd(0), 3);  // CR LF are not visible characters
  EXPECT_EQ(layout.lineOf(0), 0);
  EXPECT_EQ(layout.lineOf(4), 0);
  EXPECT_EQ(layout.lineOf(5), 1);
  EXPECT_EQ(layout.xOf(0, 2), 12);
  EXPECT_EQ(layout.xOf(0, 3), 24);
  const HitRow hits[] = {
      {0, -5, 0}, {0, 2.9, 0}, {0, 3, 1}, {0, 17, 2}, {0, 18, 3}, {0, 500, 3}, {1, 0, 5}, {1, 9, 7},
  };
  for (const HitRow& hit : hits)
    EXPECT_EQ(layout.positionAt(hit.line, hit.x), hit.position) << hit.line << " at " << hit.x;
}

TEST(LineLayout, NewMetricsForgetTheOldWidths)
{
  platform::LineLayout layout;
  layout.setMetrics(FaceWidth, 12);
  EXPECT_EQ(layout.advance(U'中'), 12);
  layout.setMetrics([](char32_t) { return 8.0; }, 16);
  EXPECT_EQ(layout.advance(U'中'), 8);
  EXPECT_EQ(layout.advance(U'a'), 8);
  EXPECT_EQ(layout.advance(U'\r'), 0);
  EXPECT_EQ(layout.lineHeight(), 16);
}

}  // namespace

// Icon files decoded by the stand-in itself: bitmaps of 24 and 32 bits, their masks, and files it
// leaves alone.
#include "platform/internal/icon_file.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Pixels = std::vector<std::uint32_t>;

void Put16(Bytes& b, std::uint32_t v)
{
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v)
{
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// One entry's bitmap as icon files store it: the header, the colour rows bottom up, the mask rows
// bottom up (a set bit: transparent), each row padded to 32 bits.
Bytes Bitmap(int w, int h, int bits, const Pixels& argb, const std::vector<bool>& transparent)
{
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(w));
  Put32(b, static_cast<std::uint32_t>(2 * h));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bits));
  for (int i = 0; i < 6; ++i)
    Put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    std::size_t row = 0;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = argb[static_cast<std::size_t>(y * w + x)];
      for (int shift : {0, 8, 16})
        b.push_back(static_cast<unsigned char>(p >> shift));
      row += 3;
      if (bits == 32) {
        b.push_back(static_cast<unsigned char>(p >> 24));
        ++row;
      }
    }
    b.resize(b.size() + (4 - row % 4) % 4, 0);
  }
  for (int y = h - 1; y >= 0; --y) {
    Bytes row((static_cast<std::size_t>(w) + 31) / 32 * 4, 0);
    for (int x = 0; x < w; ++x) {
      if (transparent[static_cast<std::size_t>(y * w + x)])
        row[static_cast<std::size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes IconFile(const std::vector<Bytes>& images, std::uint32_t type = 1)
{
  Bytes f;
  Put16(f, 0);
  Put16(f, type);
  Put16(f, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const Bytes& image : images) {
    for (int i = 0; i < 4; ++i)
      f.push_back(0);
    Put16(f, 1);
    Put16(f, 32);
    Put32(f, static_cast<std::uint32_t>(image.size()));
    Put32(f, offset);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : images)
    f.insert(f.end(), image.begin(), image.end());
  return f;
}

const Pixels kFour = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
const std::vector<bool> kCornerClear = {false, false, false, true};

struct Row {
  const char* name;
  Bytes file;
  std::vector<Pixels> expected;  // one per image decoded
};

std::vector<Row> Rows()
{
  const Pixels odd = {0x00102030, 0x00405060, 0x00708090};
  return {
      {"24 bits, the mask makes a pixel clear",
       IconFile({Bitmap(2, 2, 24, kFour, kCornerClear)}),
       {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00FFFFFF}}},
      {"32 bits with alpha, the mask ignored",
       IconFile({Bitmap(2, 2, 32, {0x80FF0000, 0xFF00FF00, 0x000000FF, 0x40FFFFFF}, {true, true, true, true})}),
       {{0x80FF0000, 0xFF00FF00, 0x000000FF, 0x40FFFFFF}}},
      {"32 bits without alpha, the mask decides",
       IconFile({Bitmap(2, 2, 32, kFour, kCornerClear)}),
       {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00FFFFFF}}},
      {"an odd width, rows padded",
       IconFile({Bitmap(3, 1, 24, odd, {false, true, false})}),
       {{0xFF102030, 0x00405060, 0xFF708090}}},
      {"two entries, in order",
       IconFile({Bitmap(1, 1, 24, {0x00ABCDEF}, {false}), Bitmap(1, 1, 32, {0x7F010203}, {false})}),
       {{0xFFABCDEF}, {0x7F010203}}},
      {"a cursor file is no icon", IconFile({Bitmap(2, 2, 24, kFour, kCornerClear)}, 2), {}},
      {"an image cut short",
       [] {
         Bytes f = IconFile({Bitmap(2, 2, 24, kFour, kCornerClear)});
         f.resize(f.size() - 1);
         return f;
       }(),
       {}},
      {"a PNG entry is left to the image readers", IconFile({{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}}), {}},
      {"8 bits with a palette is left to the image readers", IconFile({Bitmap(2, 2, 8, kFour, kCornerClear)}), {}},
      {"no width", IconFile({Bitmap(0, 2, 24, {}, {})}), {}},
      {"wider than any icon", IconFile({Bitmap(257, 1, 24, Pixels(257), std::vector<bool>(257))}), {}},
      {"an empty file", {}, {}},
      {"a directory promising more entries than it has",
       [] {
         Bytes f = IconFile({Bitmap(1, 1, 24, {0}, {false})});
         f[4] = 200;
         return f;
       }(),
       {}},
      {"an entry past the end of the file",
       [] {
         Bytes f = IconFile({Bitmap(1, 1, 24, {0}, {false})});
         f[6 + 12] = 0xFF;
         f[6 + 13] = 0xFF;
         return f;
       }(),
       {}},
  };
}

TEST(IconFile, DecodesBitmapsAndLeavesTheRest)
{
  for (const Row& row : Rows()) {
    const std::vector<platform::IconImage> images = platform::DecodeIconFile(row.file);
    ASSERT_EQ(images.size(), row.expected.size()) << row.name;
    for (std::size_t i = 0; i < images.size(); ++i)
      EXPECT_EQ(images[i].argb, row.expected[i]) << row.name;
  }
}

// The window icon comes out as Qt's own reader makes it.
TEST(IconFile, TheWindowIconAsQtReadsIt)
{
  QFile file(QStringLiteral(":/res/lanspry.ico"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  const std::vector<platform::IconImage> images = platform::DecodeIconFile(
      std::span(reinterpret_cast<const unsigned char*>(data.constData()), static_cast<std::size_t>(data.size())));
  ASSERT_EQ(images.size(), 1u);
  const QImage ours(reinterpret_cast<const uchar*>(images[0].argb.data()), images[0].width, images[0].height,
                    QImage::Format_ARGB32);
  const QImage qt = QImage(QStringLiteral(":/res/lanspry.ico")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(qt.size(), QSize(32, 32));
  EXPECT_EQ(ours, qt);
}

}  // namespace

#include "platform/internal/icon_file.h"

#include <cstddef>
#include <utility>

namespace platform {
namespace {

constexpr std::size_t kDirSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr int kMaxSide = 256;

std::uint32_t le16(std::span<const unsigned char> d, std::size_t at)
{
  return d[at] | static_cast<std::uint32_t>(d[at + 1]) << 8;
}

std::uint32_t le32(std::span<const unsigned char> d, std::size_t at)
{
  return le16(d, at) | le16(d, at + 2) << 16;
}

// Rows of `bits` per pixel padded to whole 32-bit words, as bitmaps store them.
std::size_t stride(int width, int bits)
{
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

bool anyAlpha(const IconImage& image)
{
  for (std::uint32_t p : image.argb) {
    if (p >> 24)
      return true;
  }
  return false;
}

// One entry's bitmap: the colour rows, then the transparency mask, both bottom up. A 32-bit
// bitmap whose alpha is all zero is an old one that relies on the mask too.
bool decodeBitmap(std::span<const unsigned char> bmp, IconImage& out)
{
  if (bmp.size() < kInfoHeaderSize)
    return false;
  const std::uint32_t headerSize = le32(bmp, 0);
  const auto width = static_cast<std::int32_t>(le32(bmp, 4));
  const auto doubledHeight = static_cast<std::int32_t>(le32(bmp, 8));
  const std::uint32_t bits = le16(bmp, 14);
  if (headerSize < kInfoHeaderSize || le32(bmp, 16) != 0 || (bits != 24 && bits != 32))
    return false;
  const int height = doubledHeight / 2;
  if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide)
    return false;
  const std::size_t colourStride = stride(width, static_cast<int>(bits));
  const std::size_t maskStride = stride(width, 1);
  const std::size_t rows = static_cast<std::size_t>(height);
  if (headerSize > bmp.size() || bmp.size() - headerSize < (colourStride + maskStride) * rows)
    return false;
  const std::span<const unsigned char> colour = bmp.subspan(headerSize, colourStride * rows);
  const std::span<const unsigned char> mask = bmp.subspan(headerSize + colourStride * rows, maskStride * rows);
  out.width = width;
  out.height = height;
  out.argb.assign(static_cast<std::size_t>(width) * rows, 0);
  const std::size_t bytes = bits / 8;
  for (std::size_t y = 0; y < rows; ++y) {
    const std::size_t from = rows - 1 - y;
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const unsigned char* p = &colour[from * colourStride + x * bytes];
      const std::uint32_t alpha = bytes == 4 ? p[3] : 0;
      out.argb[y * static_cast<std::size_t>(width) + x] =
          alpha << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
  }
  if (bytes == 4 && anyAlpha(out))
    return true;
  for (std::size_t y = 0; y < rows; ++y) {
    const std::size_t from = rows - 1 - y;
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const bool transparent = mask[from * maskStride + x / 8] & (0x80 >> (x % 8));
      std::uint32_t& p = out.argb[y * static_cast<std::size_t>(width) + x];
      p = (p & 0xFFFFFFu) | (transparent ? 0u : 0xFF000000u);
    }
  }
  return true;
}

}  // namespace

std::vector<IconImage> DecodeIconFile(std::span<const unsigned char> data)
{
  std::vector<IconImage> images;
  if (data.size() < kDirSize || le16(data, 0) != 0 || le16(data, 2) != 1)
    return images;
  const std::size_t count = le16(data, 4);
  if (data.size() < kDirSize + count * kEntrySize)
    return images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kDirSize + i * kEntrySize;
    const std::size_t size = le32(data, entry + 8);
    const std::size_t offset = le32(data, entry + 12);
    if (offset > data.size() || size > data.size() - offset)
      continue;
    IconImage image;
    if (decodeBitmap(data.subspan(offset, size), image))
      images.push_back(std::move(image));
  }
  return images;
}

}  // namespace platform

// The images of an .ico file as 32-bit ARGB pixels, decoded here for the bitmaps the program's own
// icons are made of (24 and 32 bits per pixel); entries of other kinds are left to image readers.
#pragma once

#include "platform/internal/inside.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // rows top to bottom, 0xAARRGGBB
};

// Every 24- or 32-bit bitmap the file holds, in its order; none when it is no icon file.
std::vector<IconImage> DecodeIconFile(std::span<const unsigned char> data);

}  // namespace platform

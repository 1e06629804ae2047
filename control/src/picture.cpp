#include "picture.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace pelorus::control {
namespace {

// The 16 colours of the bitmap's palette, by index.
constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// One palette index a pixel, as a hexadecimal digit: a card with its chip going into the reader.
constexpr std::array<std::string_view, kPictureHeight> kRows = {
    "FFFF0000000000FF",
    "FFFF0CCCCCCCC0FF",
    "FFFF0CBB3CCCC0FF",
    "FFFF0CB33CCCC0FF",
    "FFFF0CBB3CCCC0FF",
    "FFFF0CCCCCCCC0FF",
    "FFFF0CCCCCCCC0FF",
    "F00000000000000F",
    "F07777777777770F",
    "F07000000000070F",
    "F07777777777770F",
    "F077777777A7770F",
    "F07777777777770F",
    "F08888888888880F",
    "FF000000000000FF",
};

constexpr bool rows_are_whole() {
  return std::all_of(kRows.begin(), kRows.end(), [](std::string_view row) { return row.size() == kPictureWidth; });
}
static_assert(rows_are_whole(), "every row of the picture has 16 pixels");

constexpr std::uint32_t kWhite = 0xFFFFFF;

int palette_index(char digit) { return digit <= '9' ? digit - '0' : digit - 'A' + 10; }

void put(std::uint8_t* pixel, std::uint32_t colour) {
  pixel[0] = static_cast<std::uint8_t>(colour >> 16);
  pixel[1] = static_cast<std::uint8_t>(colour >> 8);
  pixel[2] = static_cast<std::uint8_t>(colour);
  pixel[3] = 0xFF;
}

}  // namespace

std::uint32_t picture_pixel(int x, int y) {
  return kPalette[static_cast<std::size_t>(palette_index(kRows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]))];
}

HRESULT draw_picture(std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
                     const RECT* bounds) {
  if (pixels == nullptr || bounds == nullptr) return E_POINTER;
  if (width < 1 || height < 1 || stride / 4 < width) return E_INVALIDARG;
  // The part of bounds inside the buffer; 64-bit so that no corner overflows.
  const std::int64_t left = std::max<std::int64_t>(bounds->left, 0);
  const std::int64_t top = std::max<std::int64_t>(bounds->top, 0);
  const std::int64_t right = std::min<std::int64_t>(bounds->right, width);
  const std::int64_t bottom = std::min<std::int64_t>(bounds->bottom, height);
  for (std::int64_t y = top; y < bottom; ++y) {
    std::uint8_t* row = pixels + y * stride;
    for (std::int64_t x = left; x < right; ++x) {
      const std::int64_t px = x - bounds->left;
      const std::int64_t py = y - bounds->top;
      const bool in_picture = px < kPictureWidth && py < kPictureHeight;
      put(row + x * 4, in_picture ? picture_pixel(static_cast<int>(px), static_cast<int>(py)) : kWhite);
    }
  }
  return S_OK;
}

}  // namespace pelorus::control

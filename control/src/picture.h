// The control's picture (bitmap 1: 16 x 15 pixels, 16 colours), which it draws in a host's design
// view and which is also its toolbox picture.
#pragma once

#include <cstdint>

#include "pelorus.h"

namespace pelorus::control {

inline constexpr int kPictureWidth = 16;
inline constexpr int kPictureHeight = 15;

// The picture's pixel at (x, y) as 0xRRGGBB.
std::uint32_t picture_pixel(int x, int y);

// Fills bounds with white, then copies the picture unscaled to its top left corner; writes only
// pixels inside both bounds and the buffer (RGBA, 4 bytes a pixel, rows stride bytes apart).
HRESULT draw_picture(std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
                     const RECT* bounds);

}  // namespace pelorus::control

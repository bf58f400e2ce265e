#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace glintfall {

// Decodes a whole BMP file held in memory into a 32-bit bitmap. Zero bytes give an empty bitmap.
// Throws TReadError when the data ends early and TInvalidGraphic for anything else it refuses.
TABitmap DecodeBmp(std::span<const std::uint8_t> file);

// Encodes a bitmap as an uncompressed 32-bit BMP file.
std::vector<std::uint8_t> EncodeBmp(const TABitmap& bitmap);

} // namespace glintfall

#pragma once

#include "Color.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace glintfall {

// A bitmap that is 32 bits per pixel at all times: rows top-down, one TPixel per pixel.
// Whatever it is created from or loaded from, it comes out in that one format.
class TABitmap {
public:
    TABitmap() = default;
    TABitmap(std::int32_t width, std::int32_t height);

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    bool Empty() const { return m_pixels.empty(); }

    // Resizes to width × height; the pixels afterwards are all black.
    void SetSize(std::int32_t width, std::int32_t height);

    TPixel Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, TPixel pixel);
    std::span<TPixel> Scanline(std::int32_t y);
    std::span<const TPixel> Scanline(std::int32_t y) const;
    std::span<TPixel> Pixels();
    std::span<const TPixel> Pixels() const { return m_pixels; }

    // A number unique in the process for the pixels as they are: every change, or access that
    // could change them, draws a new one. Equal numbers mean equal pixels, so a reader can tell
    // cheaply that nothing has changed since it last looked.
    std::uint64_t ContentStamp() const { return m_contentStamp; }

    void FillBlack();
    // Fills the columns left..right-1 and rows top..bottom-1; whatever lies outside is clipped.
    void FillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  TColor color);

    void Assign(const TABitmap& source);
    // Both throw TFileOpenError, TReadError or TInvalidGraphic; an empty file gives an empty bitmap.
    void LoadFromFile(const std::string& path);
    void LoadFromStream(std::istream& stream);
    // Writes the 32-bit BMP format: 54-byte headers, rows bottom-up, bytes blue, green, red, 0.
    void SaveToStream(std::ostream& stream) const;

    friend bool operator==(const TABitmap& a, const TABitmap& b)
    {
        return a.m_width == b.m_width && a.m_height == b.m_height && a.m_pixels == b.m_pixels;
    }

private:
    void Touch();

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<TPixel> m_pixels;
    std::uint64_t m_contentStamp = 0;
};

} // namespace glintfall

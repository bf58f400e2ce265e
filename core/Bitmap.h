#pragma once

#include "Color.h"
#include "Geometry.h"

#include <algorithm>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace glintfall {

// A bitmap that is 32 bits per pixel at all times: rows top-down, one TPixel per pixel.
// Whatever it is created from or loaded from, it comes out in that one format. Every bitmap owns
// its pixels: a copy is a copy, which nothing done to the original changes. Spans into the pixels
// stay valid until the bitmap is resized or assigned.
class TABitmap {
public:
    TABitmap() = default;
    TABitmap(std::int32_t width, std::int32_t height);
    TABitmap(const TABitmap& other) = default;
    // Like SetSize, throws std::bad_alloc with the bitmap unchanged when there is no memory.
    TABitmap& operator=(const TABitmap& other);
    // A bitmap moved from is empty, 0 × 0.
    TABitmap(TABitmap&& other) noexcept;
    TABitmap& operator=(TABitmap&& other) noexcept;

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    bool Empty() const { return PixelCount() == 0; }

    // Resizes to width × height; the pixels afterwards are all black. Throws std::bad_alloc with
    // the bitmap unchanged when there is no memory for them.
    void SetSize(std::int32_t width, std::int32_t height);

    TPixel Pixel(std::int32_t x, std::int32_t y) const;
    std::span<const TPixel> Scanline(std::int32_t y) const;
    std::span<const TPixel> Pixels() const;

    // The writing accessors are named apart from the reading ones, so that a read can never count
    // as a change of the pixels.
    void SetPixel(std::int32_t x, std::int32_t y, TPixel pixel);
    std::span<TPixel> WritableScanline(std::int32_t y);
    std::span<TPixel> WritablePixels();

    // A number unique in the process for the pixels as they are: every change, or access that
    // could change them, draws a new one, and a copy keeps it. Equal numbers mean equal pixels, so
    // a reader can tell cheaply that nothing has changed since it last looked.
    std::uint64_t ContentStamp() const { return m_contentStamp; }

    void FillBlack();
    // Fills the columns left..right-1 and rows top..bottom-1; whatever lies outside is clipped.
    void FillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  TColor color);

    void Assign(const TABitmap& source);
    // Copies these areas, which lie inside both, of a bitmap of the same size; a bitmap of another
    // size is copied whole.
    void CopyAreas(const TABitmap& source, std::span<const TArea> areas);
    // Both throw TFileOpenError, TReadError or TInvalidGraphic; an empty file gives an empty bitmap.
    void LoadFromFile(const std::string& path);
    void LoadFromStream(std::istream& stream);
    // Writes the 32-bit BMP format: 54-byte headers, rows bottom-up, bytes blue, green, red, 0.
    void SaveToStream(std::ostream& stream) const;

    friend bool operator==(const TABitmap& a, const TABitmap& b)
    {
        return a.m_width == b.m_width && a.m_height == b.m_height
               && std::ranges::equal(a.Pixels(), b.Pixels());
    }

private:
    std::size_t PixelCount() const { return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height); }
    void Changed();

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<TPixel> m_pixels;
    std::uint64_t m_contentStamp = 0;
};

} // namespace glintfall

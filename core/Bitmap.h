#pragma once

#include "Color.h"
#include "PixelMemory.h"

#include <algorithm>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>

namespace glintfall {

// A bitmap that is 32 bits per pixel at all times: rows top-down, one TPixel per pixel.
// Whatever it is created from or loaded from, it comes out in that one format.
//
// Copies share their pixels until one of them is changed (copy on write), so handing a finished
// frame to the canvas costs nothing. A bitmap drawn on while shared takes back a buffer it gave
// up earlier once no copy holds that any more: the surface and the canvas take turns with two
// buffers and never allocate. A bitmap may also be told to take its buffers from a PixelMemory.
// Spans into the pixels stay valid until the bitmap is copied, written to through another call,
// or resized.
class TABitmap {
public:
    TABitmap() = default;
    TABitmap(std::int32_t width, std::int32_t height);
    TABitmap(const TABitmap& other);
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

    // The writing accessors copy shared pixels first; like SetSize, they throw std::bad_alloc
    // with nothing changed when that copy cannot be allocated. They are named apart from the
    // reading ones so that no read copies pixels by mistake.
    void SetPixel(std::int32_t x, std::int32_t y, TPixel pixel);
    std::span<TPixel> WritableScanline(std::int32_t y);
    std::span<TPixel> WritablePixels();
    // For writing every pixel anew: shared pixels are not copied first, so until a pixel is
    // written its value is unspecified.
    std::span<TPixel> PixelsToOverwrite();

    // From now on, whenever the pixels must move to be written, the new buffer comes from this
    // memory while it exists and has one free, and from the heap otherwise. Copies do not keep it.
    void KeepPixelsIn(std::weak_ptr<PixelMemory> memory);

    // A number unique in the process for the pixels as they are: every change, or access that
    // could change them, draws a new one, and a copy keeps it. Equal numbers mean equal pixels, so
    // a reader can tell cheaply that nothing has changed since it last looked.
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
        return a.m_width == b.m_width && a.m_height == b.m_height
               && std::ranges::equal(a.Pixels(), b.Pixels());
    }

private:
    using Buffer = std::shared_ptr<TPixel[]>;
    enum class Contents { Keep, Discard };

    std::size_t PixelCount() const { return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height); }
    // Makes the pixels this bitmap's own before they change, and draws a new content stamp.
    void PrepareToWrite(Contents contents);
    Buffer TakeBuffer();

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    Buffer m_pixels;
    // The buffer given up when the pixels were last shared; ours again once its copies let go.
    // Always of the bitmap's size: resizing drops it.
    Buffer m_spare;
    std::weak_ptr<PixelMemory> m_memory;
    std::uint64_t m_contentStamp = 0;
};

} // namespace glintfall

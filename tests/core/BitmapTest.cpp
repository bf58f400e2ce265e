#include "Bitmap.h"
#include "Errors.h"
#include "LargeAllocations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <new>
#include <streambuf>
#include <vector>

namespace glintfall {
namespace {

constexpr TPixel kRed = 0xFFFF0000u;
constexpr std::size_t kFrameBytes = std::size_t{480} * 480 * sizeof(TPixel);

TEST(BitmapTest, resizeThatCannotAllocateChangesNothing)
{
    TABitmap bitmap(2, 3);
    bitmap.SetPixel(1, 2, 0xFF123456u);
    const TABitmap before = bitmap;
    {
        const LargeAllocations exhausted(1024, LargeAllocations::Mode::Fail);
        EXPECT_THROW(bitmap.SetSize(480, 480), std::bad_alloc);
        EXPECT_EQ(exhausted.Count(), 1);
    }
    EXPECT_EQ(bitmap, before);
    EXPECT_EQ(bitmap.Scanline(2).size(), 2u);
}

TEST(BitmapTest, copiesShareTheirPixelsUntilOneIsWritten)
{
    TABitmap original(480, 480);
    TABitmap copy = original;
    EXPECT_EQ(copy.Pixels().data(), original.Pixels().data());
    EXPECT_EQ(copy.ContentStamp(), original.ContentStamp());

    // Each way of writing leaves the other bitmap as it was.
    const auto writes = {
        +[](TABitmap& bitmap) { bitmap.SetPixel(3, 4, kRed); },
        +[](TABitmap& bitmap) { bitmap.WritableScanline(4)[3] = kRed; },
        +[](TABitmap& bitmap) { bitmap.WritablePixels()[4 * 480 + 3] = kRed; },
        +[](TABitmap& bitmap) { bitmap.FillRect(3, 4, 4, 5, PixelToColor(kRed)); },
    };
    for (const auto write : writes) {
        TABitmap written = original;
        write(written);
        EXPECT_EQ(written.Pixel(3, 4), kRed);
        EXPECT_EQ(original.Pixel(3, 4), kBlackPixel);
        EXPECT_NE(written.ContentStamp(), original.ContentStamp());
        EXPECT_EQ(original, copy);
    }
}

TEST(BitmapTest, aSurfaceAndItsViewerTakeTurnsWithTwoBuffers)
{
    TABitmap surface(480, 480);
    TABitmap shown = surface;
    const LargeAllocations watch(kFrameBytes);
    for (int frame = 0; frame < 6; ++frame) {
        surface.PixelsToOverwrite()[0] = kRed + static_cast<TPixel>(frame);
        shown = surface; // the viewer lets go of the frame before last
    }
    EXPECT_EQ(watch.Count(), 1) << "only the second buffer is ever allocated";
    EXPECT_EQ(shown.Pixel(0, 0), kRed + 5);
}

TEST(BitmapTest, writeThatCannotCopySharedPixelsChangesNothing)
{
    TABitmap surface(480, 480);
    surface.SetPixel(0, 0, kRed);
    const TABitmap shown = surface;
    const std::uint64_t stamp = surface.ContentStamp();
    {
        const LargeAllocations exhausted(kFrameBytes, LargeAllocations::Mode::Fail);
        EXPECT_THROW(surface.SetPixel(1, 1, kRed), std::bad_alloc);
        EXPECT_THROW(surface.PixelsToOverwrite(), std::bad_alloc);
    }
    EXPECT_EQ(surface.ContentStamp(), stamp);
    EXPECT_EQ(surface, shown);
    surface.SetPixel(1, 1, kRed);
    EXPECT_EQ(surface.Pixel(1, 1), kRed);
    EXPECT_EQ(shown.Pixel(1, 1), kBlackPixel);
}

// Lends from buffers of its own, as memory shared with a display server would: it keeps a hold on
// each, so a buffer is free only when no bitmap holds it.
class TwoBufferMemory : public PixelMemory {
public:
    explicit TwoBufferMemory(std::size_t count)
        : m_count(count)
    {
        for (Buffer& buffer : buffers)
            buffer = std::make_shared<TPixel[]>(count);
    }

    std::shared_ptr<TPixel[]> Lend(std::size_t count) override
    {
        for (const Buffer& buffer : buffers) {
            if (count == m_count && buffer.use_count() == 1) {
                ++lent;
                return buffer;
            }
        }
        return nullptr;
    }

    bool Owns(const TPixel* pixels) const
    {
        return std::ranges::any_of(buffers, [&](const Buffer& buffer) { return buffer.get() == pixels; });
    }

    using Buffer = std::shared_ptr<TPixel[]>;
    Buffer buffers[2];
    int lent = 0;

private:
    std::size_t m_count;
};

TEST(BitmapTest, aSurfaceDrawsInTheMemoryItKeepsItsPixelsIn)
{
    const auto memory = std::make_shared<TwoBufferMemory>(std::size_t{480} * 480);
    TABitmap surface(480, 480);
    surface.KeepPixelsIn(memory);
    TABitmap shown = surface;
    const LargeAllocations watch(kFrameBytes);
    for (int frame = 0; frame < 6; ++frame) {
        surface.PixelsToOverwrite()[0] = kRed + static_cast<TPixel>(frame);
        EXPECT_TRUE(memory->Owns(surface.Pixels().data())) << "frame " << frame;
        EXPECT_NE(surface.Pixels().data(), shown.Pixels().data());
        shown = surface;
    }
    EXPECT_EQ(watch.Count(), 0) << "a frame came from the heap";
    EXPECT_EQ(memory->lent, 6);
    EXPECT_EQ(shown.Pixel(0, 0), kRed + 5);

    // A copy keeps no memory: written while shared, it moves to the heap.
    TABitmap copy = shown;
    copy.SetPixel(1, 1, kRed);
    EXPECT_FALSE(memory->Owns(copy.Pixels().data()));
}

TEST(BitmapTest, withoutAFreeBufferOrAnyMemoryTheHeapServes)
{
    auto memory = std::make_shared<TwoBufferMemory>(std::size_t{4} * 4);
    const TwoBufferMemory::Buffer held[] = {memory->buffers[0], memory->buffers[1]};
    TABitmap surface(4, 4);
    surface.KeepPixelsIn(memory);
    TABitmap shown = surface;
    surface.SetPixel(0, 0, kRed);
    EXPECT_FALSE(memory->Owns(surface.Pixels().data())) << "a buffer someone holds was lent";
    EXPECT_EQ(shown.Pixel(0, 0), kBlackPixel);

    memory.reset();
    shown = surface;
    surface.SetPixel(1, 0, kRed);
    EXPECT_EQ(surface.Pixel(1, 0), kRed);
    EXPECT_EQ(shown.Pixel(1, 0), kBlackPixel);
}

TEST(BitmapTest, movedFromBitmapIsEmpty)
{
    TABitmap from(4, 4);
    const TABitmap to = std::move(from);
    EXPECT_EQ(to.Width(), 4);
    EXPECT_TRUE(from.Empty()); // NOLINT(bugprone-use-after-move): the state after a move is the point
    EXPECT_EQ(from.Width(), 0);
    EXPECT_EQ(from.Height(), 0);
}

// A stream that makes up its bytes as they are read: a fixed start, zeros, and a fixed end, so a
// test can hand over hundreds of megabytes without writing them anywhere. Counts what it gave.
class MadeUpStream : public std::streambuf {
public:
    MadeUpStream(std::uint64_t size, std::vector<char> head, std::vector<char> tail)
        : m_size(size), m_head(std::move(head)), m_tail(std::move(tail)), m_buffer(std::size_t{1} << 16)
    {
    }

    std::uint64_t BytesGiven() const { return m_filled - static_cast<std::uint64_t>(egptr() - gptr()); }

protected:
    int_type underflow() override
    {
        if (m_filled == m_size)
            return traits_type::eof();
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer.size(), m_size - m_filled));
        std::fill_n(m_buffer.begin(), count, '\0');
        CopyPart(m_head, 0, count);
        CopyPart(m_tail, m_size - m_tail.size(), count);
        m_filled += count;
        setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + count);
        return traits_type::to_int_type(m_buffer[0]);
    }

private:
    // Copies what of part (which starts at stream position at) falls into the next count bytes.
    void CopyPart(const std::vector<char>& part, std::uint64_t at, std::size_t count)
    {
        const std::uint64_t from = std::max(at, m_filled);
        const std::uint64_t to = std::min(at + part.size(), m_filled + count);
        for (std::uint64_t position = from; position < to; ++position)
            m_buffer[static_cast<std::size_t>(position - m_filled)] = part[static_cast<std::size_t>(position - at)];
    }

    std::uint64_t m_size;
    std::uint64_t m_filled = 0;
    std::vector<char> m_head;
    std::vector<char> m_tail;
    std::vector<char> m_buffer;
};

// How much of a stream LoadFromStream reads at most: the largest picture the reader accepts
// (256 MiB of pixels) plus room for headers.
constexpr std::uint64_t kReadCap = (std::uint64_t{256} << 20) + (std::uint64_t{1} << 20);

// The headers of a 1×1 picture at 24 bits whose three pixel bytes start at the given offset.
std::vector<char> OnePixelHeaders(std::uint32_t pixelsAt)
{
    std::vector<char> headers(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            headers[at + i] = static_cast<char>(value >> (8 * i));
    };
    headers[0] = 'B', headers[1] = 'M';
    put(10, pixelsAt);
    put(14, 40), put(18, 1), put(22, 1);
    headers[26] = 1, headers[28] = 24;
    return headers;
}

struct ReadCapTest : ::testing::Test {
    // Loads a one-pixel picture whose pixel bytes (blue 1, green 2, red 3) end at byte `end`
    // of a stream `size` bytes long.
    void Load(std::uint64_t end, std::uint64_t size)
    {
        MadeUpStream source(size, OnePixelHeaders(static_cast<std::uint32_t>(end - 3)), {1, 2, 3});
        std::istream stream(&source);
        TABitmap bitmap;
        try {
            bitmap.LoadFromStream(stream);
            pixel = bitmap.Pixel(0, 0);
        } catch (const TReadError&) {
            endsEarly = true;
        }
        bytesRead = source.BytesGiven();
    }

    TPixel pixel = 0;
    bool endsEarly = false;
    std::uint64_t bytesRead = 0;
};

TEST_F(ReadCapTest, pictureEndingAtTheCapIsReadWhole)
{
    Load(kReadCap, kReadCap);
    EXPECT_EQ(bytesRead, kReadCap);
    EXPECT_FALSE(endsEarly);
    EXPECT_EQ(pixel, 0xFF030201u);
}

TEST_F(ReadCapTest, readingStopsAtTheCapSoAPictureEndingPastItEndsEarly)
{
    Load(kReadCap + 1, kReadCap + (1 << 16));
    EXPECT_EQ(bytesRead, kReadCap);
    EXPECT_TRUE(endsEarly);
}

} // namespace
} // namespace glintfall

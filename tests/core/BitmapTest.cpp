#include "Bitmap.h"
#include "Errors.h"
#include "LargeAllocations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <new>
#include <streambuf>
#include <tuple>
#include <vector>

namespace glintfall {
namespace {

constexpr TPixel kRed = 0xFFFF0000u;

TEST(BitmapTest, resizeOrCopyThatCannotAllocateChangesNothing)
{
    const TABitmap large(480, 480);
    const std::pair<const char*, void (*)(TABitmap&, const TABitmap&)> changes[] = {
        {"SetSize", [](TABitmap& bitmap, const TABitmap&) { bitmap.SetSize(480, 480); }},
        {"assignment", [](TABitmap& bitmap, const TABitmap& other) { bitmap = other; }},
        {"CopyAreas", [](TABitmap& bitmap, const TABitmap& other) { bitmap.CopyAreas(other, {}); }},
    };
    for (const auto& [name, change] : changes) {
        TABitmap bitmap(2, 3);
        bitmap.SetPixel(1, 2, 0xFF123456u);
        const TABitmap before = bitmap;
        {
            const LargeAllocations exhausted(1024, LargeAllocations::Mode::Fail);
            EXPECT_THROW(change(bitmap, large), std::bad_alloc) << name;
            EXPECT_EQ(exhausted.Count(), 1) << name;
        }
        EXPECT_EQ(bitmap, before) << name;
        EXPECT_EQ(bitmap.Scanline(2).size(), 2u) << name;
    }
}

// The canvas keeps a copy of each frame, and a picture being saved is a copy of that: no later
// write of the original may reach a copy, and the copy's writes never reach the original.
TEST(BitmapTest, copiesAreIndependentOfTheirOriginal)
{
    const auto writes = {
        +[](TABitmap& bitmap) { bitmap.SetPixel(3, 4, kRed); },
        +[](TABitmap& bitmap) { bitmap.WritableScanline(4)[3] = kRed; },
        +[](TABitmap& bitmap) { bitmap.WritablePixels()[4 * 480 + 3] = kRed; },
        +[](TABitmap& bitmap) { bitmap.FillRect(3, 4, 4, 5, PixelToColor(kRed)); },
        +[](TABitmap& bitmap) {
             TABitmap red(480, 480);
             red.FillRect(0, 0, 480, 480, PixelToColor(kRed));
             bitmap.CopyAreas(red, std::vector<TArea>{{3, 4, 4, 5}});
         },
    };
    for (const auto write : writes) {
        TABitmap original(480, 480);
        const TABitmap copy = original;
        TABitmap written = original;
        write(written);
        EXPECT_EQ(written.Pixel(3, 4), kRed);
        EXPECT_EQ(original.Pixel(3, 4), kBlackPixel);
        EXPECT_NE(written.ContentStamp(), original.ContentStamp());
        write(original);
        EXPECT_EQ(copy, TABitmap(480, 480));
    }
}

TEST(BitmapTest, copyingAreasTouchesOnlyThoseAndAllocatesNothing)
{
    TABitmap source(480, 480);
    source.FillRect(0, 0, 480, 480, PixelToColor(kRed));
    TABitmap target(480, 480);
    const LargeAllocations watch(1024);
    target.CopyAreas(source, std::vector<TArea>{{0, 0, 1, 1}, {479, 478, 480, 480}});
    EXPECT_EQ(watch.Count(), 0);
    for (const auto& [x, y, copied] : {std::tuple{0, 0, true}, {479, 478, true}, {479, 479, true}, {1, 0, false},
                                       {0, 1, false}, {478, 479, false}})
        EXPECT_EQ(target.Pixel(x, y), copied ? kRed : kBlackPixel) << x << "," << y;
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

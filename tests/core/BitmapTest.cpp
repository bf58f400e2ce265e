#include "Bitmap.h"
#include "LargeAllocations.h"

#include <gtest/gtest.h>

#include <new>

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

TEST(BitmapTest, movedFromBitmapIsEmpty)
{
    TABitmap from(4, 4);
    const TABitmap to = std::move(from);
    EXPECT_EQ(to.Width(), 4);
    EXPECT_TRUE(from.Empty()); // NOLINT(bugprone-use-after-move): the state after a move is the point
    EXPECT_EQ(from.Width(), 0);
    EXPECT_EQ(from.Height(), 0);
}

} // namespace
} // namespace glintfall

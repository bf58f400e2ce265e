#include "Bitmap.h"
#include "LargeAllocations.h"

#include <gtest/gtest.h>

#include <new>

namespace glintfall {
namespace {

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

} // namespace
} // namespace glintfall

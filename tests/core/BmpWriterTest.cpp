#include "BmpCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <vector>

using namespace glintfall;

namespace {

TABitmap TwoByTwo()
{
    TABitmap bitmap(2, 2);
    bitmap.SetPixel(0, 0, 0xFF112233u);
    bitmap.SetPixel(1, 0, 0xFF445566u);
    bitmap.SetPixel(0, 1, 0xFF778899u);
    bitmap.SetPixel(1, 1, 0xFFAABBCCu);
    return bitmap;
}

TEST(BmpWriter, layoutMatchesTheByteTable)
{
    const std::vector<std::uint8_t> expected{
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // File header.
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,            // Header size, width, height.
        1, 0, 32, 0, 0, 0, 0, 0, 16, 0, 0, 0,           // Planes, depth, compression, image size.
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // Resolutions, colours.
        0x99, 0x88, 0x77, 0, 0xCC, 0xBB, 0xAA, 0,       // Bottom row first.
        0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0,
    };
    EXPECT_EQ(EncodeBmp(TwoByTwo()), expected);
}

TEST(BmpWriter, canvasSizedFileHasTheExpectedLength)
{
    EXPECT_EQ(EncodeBmp(TABitmap(480, 480)).size(), 921654u);
}

TEST(BmpWriter, readerGivesBackTheSamePixels)
{
    const TABitmap original = TwoByTwo();
    std::stringstream stream;
    original.SaveToStream(stream);
    TABitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded, original);
}

} // namespace

#include "BmpCodec.h"
#include "Errors.h"
#include "LargeAllocations.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <ostream>
#include <string>
#include <vector>

using namespace glintfall;

// The cases below name only the fields that differ from a plain picture; GCC 12 still warns about
// the members left at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr TPixel kRed = 0xFFFF0000u;
constexpr TPixel kGreen = 0xFF00FF00u;
constexpr TPixel kBlue = 0xFF0000FFu;
constexpr TPixel kBlack = kBlackPixel;

// Describes a small BMP; Build() lays it out the way writers do, masks and table in between.
struct Bmp {
    std::uint32_t headerSize = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    // Inside the header from 52 bytes on, else after it (OS/2's 64-byte header has no room for them).
    std::vector<std::uint32_t> masks;
    std::vector<TPixel> palette{kRed, kGreen, kBlue};
    Bytes pixels{0, 1, 0, 0, 2, 0, 0, 0}; // Bottom row red, green; top row blue, red.
    std::int64_t offset = -1;              // Where the pixels go; -1: right after the table.
    std::int64_t offsetField = -1;         // What the file header says; -1: where they are.

    Bytes Build() const
    {
        Bytes header;
        if (headerSize == 12) {
            Put(header, 12, 4), Put(header, width, 2), Put(header, height, 2);
        } else {
            Put(header, headerSize, 4), Put(header, width, 4), Put(header, height, 4);
        }
        Put(header, planes, 2), Put(header, bitCount, 2);
        if (headerSize > 16)
            Put(header, compression, 4), Put(header, 0, 12), Put(header, colorsUsed, 4), Put(header, 0, 4);
        const bool masksInside = headerSize >= 52 && headerSize != 64;
        for (std::size_t i = 0; masksInside && i < masks.size(); ++i)
            Put(header, masks[i], 4);
        header.resize(headerSize, 0);
        for (std::size_t i = 0; !masksInside && i < masks.size(); ++i)
            Put(header, masks[i], 4);
        for (const TPixel entry : palette)
            Put(header, entry & 0xFFFFFF, headerSize == 12 ? 3 : 4);
        const std::int64_t dataAt = offset >= 0 ? offset : 14 + std::int64_t(header.size());
        Bytes file{'B', 'M'};
        Put(file, 0, 8), Put(file, offsetField >= 0 ? offsetField : dataAt, 4);
        file.insert(file.end(), header.begin(), header.end());
        file.resize(static_cast<std::size_t>(dataAt), 0);
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }

    static void Put(Bytes& out, std::uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            out.push_back(static_cast<std::uint8_t>(i < 8 ? value >> (8 * i) : 0));
    }
};

std::vector<TPixel> Decoded(const Bmp& bmp)
{
    const TABitmap bitmap = DecodeBmp(bmp.Build());
    return {bitmap.Pixels().begin(), bitmap.Pixels().end()};
}

// Gives each row of a table its name in test names and failure messages.
template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

struct PixelCase {
    const char* name;
    Bmp bmp;
    std::vector<TPixel> expected; // Top-down.
};

void PrintTo(const PixelCase& row, std::ostream* out)
{
    *out << row.name;
}

const std::vector<TPixel> kFourPixels{kBlue, kRed, kRed, kGreen};

// A colour table of the given length that starts red, green, blue.
std::vector<TPixel> TableOf(std::size_t length)
{
    std::vector<TPixel> table(length, kBlack);
    table[0] = kRed, table[1] = kGreen, table[2] = kBlue;
    return table;
}

const PixelCase kPixelCases[] = {
    {"topDown", {.height = -2}, {kRed, kGreen, kBlue, kRed}},
    {"offsetHonoured", {.offset = 200}, kFourPixels},
    {"offsetZeroAfterTheDeclaredTable", {.colorsUsed = 3, .offsetField = 0}, kFourPixels},
    {"offsetZeroAfterAnOversizeTable", {.colorsUsed = 300, .palette = TableOf(300), .offsetField = 0}, kFourPixels},
    {"offsetZeroAfterAFullCoreTable", {.headerSize = 12, .bitCount = 1, .palette = {kRed, kGreen},
                                       .pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0}, .offsetField = 0},
     {kGreen, kRed, kRed, kGreen}},
    {"offsetZeroAfterMasks", {.width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = {0x7C00, 0x3E0, 0x1F},
                              .palette = {}, .pixels = {0x1F, 0, 0, 0}, .offsetField = 0},
     {kBlue}},
    {"offsetZeroAfterAnUnusedTable", {.width = 1, .height = 1, .bitCount = 24, .colorsUsed = 2,
                                      .palette = {kGreen, kGreen}, .pixels = {0, 0, 0xFF, 0}, .offsetField = 0},
     {kRed}},
    {"shortTableGivesBlack", {.palette = {kRed, kGreen}}, {kBlack, kRed, kRed, kGreen}},
    {"noTableWhereTheOffsetLeavesNoRoom", {.palette = {}}, {kBlack, kBlack, kBlack, kBlack}},
    {"tableCappedByOffset", {.headerSize = 12, .offset = 14 + 12 + 6}, {kBlack, kRed, kRed, kGreen}},
    {"largeTable", {.colorsUsed = 300, .palette = std::vector<TPixel>(300, kGreen)}, {kGreen, kGreen, kGreen, kGreen}},
    {"bpp1", {.bitCount = 1, .pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0}}, {kGreen, kRed, kRed, kGreen}},
    {"bpp2", {.bitCount = 2, .pixels = {0x60, 0, 0, 0, 0x10, 0, 0, 0}}, {kRed, kGreen, kGreen, kBlue}},
    {"bpp4", {.bitCount = 4, .pixels = {0x21, 0, 0, 0, 0x02, 0, 0, 0}}, {kRed, kBlue, kBlue, kGreen}},
    {"bpp16Default555", {.width = 1, .height = 1, .bitCount = 16, .palette = {}, .pixels = {0x01, 0x7C, 0, 0}},
     {0xFFFF0008u}},
    {"bpp24", {.width = 1, .height = 1, .bitCount = 24, .palette = {}, .pixels = {1, 2, 3, 0}}, {0xFF030201u}},
    {"bpp32NoAlpha", {.width = 1, .height = 1, .bitCount = 32, .palette = {}, .pixels = {1, 2, 3, 4}}, {0xFF030201u}},
    {"masksScaleRounded", {.width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = {0x30, 0x0E, 0x01},
                           .palette = {}, .pixels = {0x27, 0}}, {0xFFAA6DFFu}},
    {"zeroMaskIsZero", {.width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = {0xFF00, 0xFF, 0},
                        .palette = {}, .pixels = {0x12, 0x34}}, {0xFF341200u}},
    {"masksInA52ByteHeader", {.headerSize = 52, .width = 1, .height = 1, .bitCount = 32, .compression = 3,
                              .masks = {0xFF000000, 0xFF00, 0xFF}, .palette = {}, .pixels = {1, 2, 3, 4}},
     {0xFF040201u}},
    {"alphaMaskInA56ByteHeader", {.headerSize = 56, .width = 1, .height = 1, .bitCount = 32, .compression = 3,
                                  .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, .palette = {}, .pixels = {1, 2, 3, 4}},
     {0x04010203u}},
    {"alphaMasksAfterHeader", {.width = 1, .height = 1, .bitCount = 16, .compression = 6,
                               .masks = {0x0F00, 0xF0, 0x0F, 0xF000}, .palette = {}, .pixels = {0x5F, 0x80}},
     {0x880055FFu}},
    {"rgbIgnoresHeaderMasks", {.headerSize = 124, .width = 1, .height = 1, .bitCount = 32,
                               .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, .palette = {}, .pixels = {1, 2, 3, 4}},
     {0xFF030201u}},
    {"rle8RunClipped", {.compression = 1, .pixels = {5, 1, 0, 0, 1, 2, 0, 1}}, {kBlue, kBlack, kGreen, kGreen}},
    {"rle8Absolute", {.width = 3, .height = 1, .compression = 1, .pixels = {0, 3, 2, 1, 0, 0, 0, 1}}, {kBlue, kGreen, kRed}},
    {"rle8Delta", {.compression = 1, .pixels = {0, 2, 1, 1, 1, 2, 0, 1}}, {kBlack, kBlue, kBlack, kBlack}},
    {"rle8DeltaOffBottom", {.compression = 1, .pixels = {0, 2, 0, 9, 1, 2}}, {kBlack, kBlack, kBlack, kBlack}},
    {"rle8EarlyEnd", {.compression = 1, .pixels = {1, 1, 0, 1}}, {kBlack, kBlack, kGreen, kBlack}},
    {"rle4", {.bitCount = 4, .compression = 2, .pixels = {3, 0x12, 0, 0, 0, 3, 0x20, 0x10, 0, 1}},
     {kBlue, kRed, kGreen, kBlue}},
    // Runs that reach or pass the right edge of a 3-pixel row. A pixel written past the end of the
    // last row lands on the first pixel of the row below (red in each of these); past the end of
    // the first row it leaves the bitmap, which the sanitizer build catches.
    {"rle8RunReachesTheEdge", {.width = 3, .compression = 1, .pixels = {3, 0, 0, 0, 3, 1, 0, 1}},
     {kGreen, kGreen, kGreen, kRed, kRed, kRed}},
    {"rle8RunPastTheEdgeOfTheLastRow", {.width = 3, .compression = 1, .pixels = {3, 0, 0, 0, 4, 1, 0, 1}},
     {kGreen, kGreen, kGreen, kRed, kRed, kRed}},
    {"rle8RunPastTheEdgeOfTheFirstRow", {.width = 3, .compression = 1, .pixels = {4, 0, 0, 0, 3, 1, 0, 1}},
     {kGreen, kGreen, kGreen, kRed, kRed, kRed}},
    {"rle8AbsoluteReachesTheEdge", {.width = 3, .compression = 1, .pixels = {3, 0, 0, 0, 0, 3, 1, 2, 1, 0, 0, 1}},
     {kGreen, kBlue, kGreen, kRed, kRed, kRed}},
    {"rle8AbsolutePastTheEdgeOfTheLastRow", {.width = 3, .compression = 1,
                                             .pixels = {3, 0, 0, 0, 0, 4, 1, 2, 1, 2, 0, 1}},
     {kGreen, kBlue, kGreen, kRed, kRed, kRed}},
    {"rle8AbsolutePastTheEdgeOfTheFirstRow", {.width = 3, .compression = 1,
                                              .pixels = {0, 4, 0, 0, 0, 1, 0, 0, 3, 1, 0, 1}},
     {kGreen, kGreen, kGreen, kRed, kRed, kRed}},
    {"rle8DeltaToTheEdgeThenRun", {.width = 3, .compression = 1, .pixels = {3, 0, 0, 0, 0, 2, 3, 0, 1, 1, 0, 1}},
     {kBlack, kBlack, kBlack, kRed, kRed, kRed}},
    {"rle4RunPastTheEdgeOfTheLastRow", {.width = 3, .bitCount = 4, .compression = 2,
                                        .pixels = {3, 0x01, 0, 0, 5, 0x12, 0, 1}},
     {kGreen, kBlue, kGreen, kRed, kGreen, kRed}},
    {"rle4AbsolutePastTheEdgeOfTheLastRow", {.width = 3, .bitCount = 4, .compression = 2,
                                             .pixels = {3, 0x01, 0, 0, 0, 5, 0x12, 0x12, 0x10, 0, 0, 1}},
     {kGreen, kBlue, kGreen, kRed, kGreen, kRed}},
};

TEST(BmpReader, everyHeaderSizeGivesTheSamePixels)
{
    for (const std::uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        EXPECT_EQ(Decoded({.headerSize = size}), kFourPixels) << size;
}

class PixelTable : public testing::TestWithParam<PixelCase> {};

TEST_P(PixelTable, decodesToExpectedPixels)
{
    EXPECT_EQ(Decoded(GetParam().bmp), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bmp, PixelTable, testing::ValuesIn(kPixelCases), CaseName<PixelCase>);

enum class Failure { Read, Invalid };

struct FailureCase {
    const char* name;
    Bytes file;
    Failure expected;
};

void PrintTo(const FailureCase& row, std::ostream* out)
{
    *out << row.name;
}

Bytes Cut(const Bmp& bmp, std::size_t size)
{
    Bytes file = bmp.Build();
    file.resize(size);
    return file;
}

Bytes Patched(const Bmp& bmp, std::size_t at, std::uint8_t value)
{
    Bytes file = bmp.Build();
    file[at] = value;
    return file;
}

const Bmp kMasked{.bitCount = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .palette = {}};
// A 1×1 picture with masks after an OS/2 header: read as bit fields it would decode.
const Bmp kOs2Masked{.headerSize = 64, .width = 1, .height = 1, .bitCount = 32, .compression = 3,
                     .masks = {0xFF0000, 0xFF00, 0xFF}, .palette = {}, .pixels = {1, 2, 3, 4}};

const FailureCase kFailureCases[] = {
    {"oneByte", {'B'}, Failure::Read},
    {"cutInFileHeader", Cut({}, 10), Failure::Read},
    {"cutInInfoHeader", Cut({}, 30), Failure::Read},
    {"cutInMasks", Cut(kMasked, 60), Failure::Read},
    {"cutInColorTable", Cut({}, 60), Failure::Read},
    {"cutInPixels", Cut({}, 14 + 40 + 12 + 5), Failure::Read},
    {"cutInRle", Bmp{.compression = 1, .pixels = {2, 1, 0}}.Build(), Failure::Read},
    {"badMagic", Patched({}, 0, 'X'), Failure::Invalid},
    {"planesZero", Bmp{.planes = 0}.Build(), Failure::Invalid},
    {"planesTwo", Bmp{.planes = 2}.Build(), Failure::Invalid},
    {"unknownHeaderSize", Bmp{.headerSize = 66}.Build(), Failure::Invalid},
    {"depth3", Bmp{.bitCount = 3}.Build(), Failure::Invalid},
    {"depth64", Bmp{.bitCount = 64}.Build(), Failure::Invalid},
    {"jpegInside", Bmp{.bitCount = 0, .compression = 4}.Build(), Failure::Invalid},
    {"pngInside", Bmp{.bitCount = 0, .compression = 5}.Build(), Failure::Invalid},
    // OS/2 2.x headers use 3 for Huffman 1D and 4 for RLE24, whatever the depth.
    {"os2Huffman", Bmp{.headerSize = 64, .bitCount = 1, .compression = 3}.Build(), Failure::Invalid},
    {"os2HuffmanCodeOn32Bits", kOs2Masked.Build(), Failure::Invalid},
    {"os2HuffmanCodeOn16Bits", Bmp{.headerSize = 64, .width = 1, .height = 1, .bitCount = 16, .compression = 3,
                                   .masks = {0x7C00, 0x3E0, 0x1F}, .palette = {}, .pixels = {1, 2, 0, 0}}.Build(),
     Failure::Invalid},
    {"os2Rle24", Bmp{.headerSize = 64, .width = 1, .height = 1, .bitCount = 24, .compression = 4, .palette = {},
                     .pixels = {1, 0, 0, 0, 0, 1}}.Build(), Failure::Invalid},
    {"bitfieldsOnPalette", Bmp{.compression = 3}.Build(), Failure::Invalid},
    {"rle8OnDepth4", Bmp{.bitCount = 4, .compression = 1}.Build(), Failure::Invalid},
    {"rleTopDown", Bmp{.height = -2, .compression = 1}.Build(), Failure::Invalid},
    {"maskWithHole", Bmp{.bitCount = 16, .compression = 3, .masks = {0x505, 0x20, 0x1F}}.Build(), Failure::Invalid},
    {"widthZero", Bmp{.width = 0}.Build(), Failure::Invalid},
    {"widthNegative", Bmp{.width = -2}.Build(), Failure::Invalid},
    {"heightZero", Bmp{.height = 0}.Build(), Failure::Invalid},
    {"heightMin", Bmp{.height = INT32_MIN}.Build(), Failure::Invalid},
    {"offsetPastEnd", Patched({.colorsUsed = 3}, 13, 0x7F), Failure::Read},
    {"offsetZeroWithTheTableCut", Bmp{.width = 1, .height = 1, .bitCount = 24, .colorsUsed = 1000, .palette = {},
                                      .pixels = {1, 2, 3, 0}, .offsetField = 0}.Build(),
     Failure::Read},
    {"offsetInsideHeader", Patched({.colorsUsed = 3}, 10, 20), Failure::Invalid},
};

class FailureTable : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureTable, isRefusedWithTheRightError)
{
    if (GetParam().expected == Failure::Read)
        EXPECT_THROW(DecodeBmp(GetParam().file), TReadError);
    else
        EXPECT_THROW(DecodeBmp(GetParam().file), TInvalidGraphic);
}

INSTANTIATE_TEST_SUITE_P(Bmp, FailureTable, testing::ValuesIn(kFailureCases), CaseName<FailureCase>);

// Larger pixel buffers than this count as the picture's pixels in the tests below.
constexpr std::size_t kLargeBuffer = std::size_t{1} << 20;

// An RLE picture that ends at once: complete, so nothing but its size decides whether it is read.
Bmp EmptyRle(std::int32_t width, std::int32_t height)
{
    return {.width = width, .height = height, .compression = 1, .palette = {}, .pixels = {0, 1}};
}

// An uncompressed 1-bit picture with all its pixel bytes, black.
Bmp Blank(std::int32_t width, std::int32_t height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    return {.width = width, .height = height, .bitCount = 1, .palette = {},
            .pixels = Bytes(stride * static_cast<std::size_t>(height < 0 ? -height : height))};
}

struct LimitCase {
    const char* name;
    Bmp bmp;
    bool accepted;
};

void PrintTo(const LimitCase& row, std::ostream* out)
{
    *out << row.name << (row.accepted ? " (accepted)" : " (refused)");
}

// Each limit on both sides: the largest value it lets through, and one more.
const LimitCase kLimitCases[] = {
    {"widthAtTheLimit", Blank(16384, 1), true},
    {"widthPastTheLimit", Blank(16385, 1), false},
    {"heightAtTheLimit", Blank(1, 16384), true},
    {"heightPastTheLimit", Blank(1, 16385), false},
    {"topDownHeightAtTheLimit", Blank(1, -16384), true},
    {"topDownHeightPastTheLimit", Blank(1, -16385), false},
    {"pixelsAtTheLimit", EmptyRle(16384, 4096), true},
    {"pixelsPastTheLimit", EmptyRle(16384, 4097), false},
    {"squarePixelsAtTheLimit", EmptyRle(8192, 8192), true},
    {"squarePixelsPastTheLimit", EmptyRle(8193, 8192), false},
    {"colorsAtTheLimit", {.colorsUsed = 65536}, true},
    {"colorsPastTheLimit", {.colorsUsed = 65537}, false},
};

class LimitTable : public testing::TestWithParam<LimitCase> {};

// Large accepted pictures are stopped where their pixels would be allocated, so that the test
// needs no memory: getting there is what shows that the reader accepted the header.
TEST_P(LimitTable, isAcceptedUpToTheLimitAndRefusedPastIt)
{
    const LargeAllocations heap(kLargeBuffer, LargeAllocations::Mode::Fail);
    bool accepted = false;
    try {
        const TABitmap bitmap = DecodeBmp(GetParam().bmp.Build());
        accepted = true;
        EXPECT_EQ(bitmap.Width(), GetParam().bmp.width);
        EXPECT_EQ(bitmap.Height(), std::abs(GetParam().bmp.height));
    } catch (const std::bad_alloc&) {
        accepted = true;
        EXPECT_EQ(heap.Count(), 1);
    } catch (const TInvalidGraphic&) {
        EXPECT_EQ(heap.Count(), 0) << "refused, but only after allocating its pixels";
    }
    EXPECT_EQ(accepted, GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Bmp, LimitTable, testing::ValuesIn(kLimitCases), CaseName<LimitCase>);

TEST(BmpReader, cutFileDeclaringAHugePictureIsRefusedBeforeItsPixelsAreAllocated)
{
    const std::pair<const char*, Bytes> rows[] = {
        {"24 bits", Bmp{.width = 16384, .height = 4096, .bitCount = 24, .palette = {}, .pixels = Bytes(5000)}.Build()},
        {"1 bit", Bmp{.width = 16384, .height = 4096, .bitCount = 1, .palette = {}, .pixels = Bytes(5000)}.Build()},
        {"bit fields", Bmp{.width = 16384, .height = 4096, .bitCount = 32, .compression = 3,
                           .masks = {0xFF0000, 0xFF00, 0xFF}, .palette = {}, .pixels = Bytes(5000)}.Build()},
        {"RLE8", Bmp{.width = 16384, .height = 4096, .compression = 1, .pixels = {255, 1, 255, 2, 0, 0, 9}}.Build()},
        {"RLE4", Bmp{.width = 16384, .height = 4096, .bitCount = 4, .compression = 2,
                     .pixels = {0, 4, 0x12, 0x12, 0, 0, 0, 2, 5}}.Build()},
    };
    for (const auto& [name, file] : rows) {
        const LargeAllocations heap(kLargeBuffer, LargeAllocations::Mode::Fail);
        EXPECT_THROW(DecodeBmp(file), TReadError) << name;
        EXPECT_EQ(heap.Count(), 0) << name;
    }
}

TEST(BmpReader, zeroBytesGiveAnEmptyBitmap)
{
    EXPECT_TRUE(DecodeBmp({}).Empty());
}

TEST(BmpReader, fileThatCannotBeOpenedNamesThePath)
{
    for (const std::string path : {"no/such/file.bmp", "."}) {
        TABitmap bitmap;
        try {
            bitmap.LoadFromFile(path);
            FAIL() << "no error for " << path;
        } catch (const TFileOpenError& error) {
            EXPECT_EQ(std::string(error.what()), "ファイル " + path + " は開けません");
        }
    }
}

} // namespace

#include "BmpCodec.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <cstdint>
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
    std::vector<std::uint32_t> masks;      // After a 40-byte header, else inside the header.
    std::vector<TPixel> palette{kRed, kGreen, kBlue};
    Bytes pixels{0, 1, 0, 0, 2, 0, 0, 0}; // Bottom row red, green; top row blue, red.
    std::int64_t offset = -1;              // -1: right after the table.

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
        for (std::size_t i = 0; headerSize >= 52 && i < masks.size(); ++i)
            Put(header, masks[i], 4);
        header.resize(headerSize, 0);
        for (std::size_t i = 0; headerSize == 40 && i < masks.size(); ++i)
            Put(header, masks[i], 4);
        for (const TPixel entry : palette)
            Put(header, entry & 0xFFFFFF, headerSize == 12 ? 3 : 4);
        const std::int64_t dataAt = offset >= 0 ? offset : 14 + std::int64_t(header.size());
        Bytes file{'B', 'M'};
        Put(file, 0, 8), Put(file, dataAt, 4);
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

struct PixelCase {
    const char* name;
    Bmp bmp;
    std::vector<TPixel> expected; // Top-down.
};

const std::vector<TPixel> kFourPixels{kBlue, kRed, kRed, kGreen};

const PixelCase kPixelCases[] = {
    {"topDown", {.height = -2}, {kRed, kGreen, kBlue, kRed}},
    {"offsetHonoured", {.offset = 200}, kFourPixels},
    {"shortTableGivesBlack", {.palette = {kRed, kGreen}}, {kBlack, kRed, kRed, kGreen}},
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
    {"alphaMaskInHeader", {.headerSize = 56, .width = 1, .height = 1, .bitCount = 32, .compression = 3,
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

INSTANTIATE_TEST_SUITE_P(Bmp, PixelTable, testing::ValuesIn(kPixelCases),
                         [](const auto& info) { return std::string(info.param.name); });

enum class Failure { Read, Invalid };

struct FailureCase {
    const char* name;
    Bytes file;
    Failure expected;
};

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
constexpr std::int32_t kTooBig = 16385;

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
    {"os2Huffman", Bmp{.headerSize = 64, .bitCount = 1, .compression = 3}.Build(), Failure::Invalid},
    {"bitfieldsOnPalette", Bmp{.compression = 3}.Build(), Failure::Invalid},
    {"rle8OnDepth4", Bmp{.bitCount = 4, .compression = 1}.Build(), Failure::Invalid},
    {"rleTopDown", Bmp{.height = -2, .compression = 1}.Build(), Failure::Invalid},
    {"maskWithHole", Bmp{.bitCount = 16, .compression = 3, .masks = {0x505, 0x20, 0x1F}}.Build(), Failure::Invalid},
    {"widthZero", Bmp{.width = 0}.Build(), Failure::Invalid},
    {"widthNegative", Bmp{.width = -2}.Build(), Failure::Invalid},
    {"widthTooBig", Bmp{.width = kTooBig}.Build(), Failure::Invalid},
    {"heightZero", Bmp{.height = 0}.Build(), Failure::Invalid},
    {"heightTooBig", Bmp{.height = -kTooBig}.Build(), Failure::Invalid},
    {"heightMin", Bmp{.height = INT32_MIN}.Build(), Failure::Invalid},
    {"tooManyPixels", Bmp{.width = 16384, .height = 16384, .compression = 1}.Build(), Failure::Invalid},
    {"absurdColorsUsed", Bmp{.colorsUsed = 0x12341234}.Build(), Failure::Invalid},
    {"offsetPastEnd", Patched({.colorsUsed = 3}, 13, 0x7F), Failure::Invalid},
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

INSTANTIATE_TEST_SUITE_P(Bmp, FailureTable, testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

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

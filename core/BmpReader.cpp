#include "BmpCodec.h"

#include "ByteReader.h"
#include "Errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace glintfall {

namespace {

// Larger pictures than this are refused before anything is allocated: each side is capped, and
// so is the whole surface (256 MiB of pixels), so a tiny RLE file cannot demand gigabytes.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
// No real picture declares more colours than this; the field is only ever a sanity risk.
constexpr std::uint32_t kMaxColorsUsed = 1u << 16;

enum class Compression : std::uint32_t {
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bitfields = 3,
    AlphaBitfields = 6,
};

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;
};

struct BmpInfo {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{};
    bool masksInHeader = false;
    std::size_t paletteEntrySize = 4;
    std::uint32_t dataOffset = 0;
};

using Palette = std::array<TPixel, 256>;

bool IsOs2V2(std::uint32_t headerSize)
{
    return headerSize == 16 || headerSize == 64;
}

bool IsKnownHeaderSize(std::uint32_t size)
{
    constexpr std::array kSizes{12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u};
    return std::find(kSizes.begin(), kSizes.end(), size) != kSizes.end();
}

std::uint32_t ReadFileHeader(ByteReader& reader)
{
    const auto magic = reader.Bytes(2);
    if (magic[0] != 'B' || magic[1] != 'M')
        throw TInvalidGraphic();
    reader.Skip(8); // The file size and the reserved words are unreliable in real files.
    return reader.U32();
}

void ReadCoreHeader(ByteReader& header, BmpInfo& info)
{
    info.width = header.U16();
    info.height = header.U16();
    info.planes = header.U16();
    info.bitCount = header.U16();
    info.paletteEntrySize = 3;
}

void ReadInfoHeader(ByteReader& header, BmpInfo& info)
{
    info.width = header.I32();
    const std::int32_t height = header.I32();
    // INT32_MIN has no positive counterpart; it is refused as absurd below.
    info.topDown = height < 0;
    info.height = height < 0 ? -std::int64_t{height} : height;
    info.planes = header.U16();
    info.bitCount = header.U16();
    if (info.headerSize == 16)
        return;
    info.compression = header.U32();
    header.Skip(12); // Image size and resolution: not needed, and often wrong.
    info.colorsUsed = header.U32();
    header.Skip(4);
    if (info.headerSize < 52 || IsOs2V2(info.headerSize))
        return;
    for (int i = 0; i < 3; ++i)
        info.masks[i] = header.U32();
    info.masksInHeader = true;
    if (info.headerSize >= 56)
        info.masks[3] = header.U32();
}

BmpInfo ReadDibHeader(ByteReader& reader)
{
    BmpInfo info;
    info.headerSize = reader.U32();
    if (!IsKnownHeaderSize(info.headerSize))
        throw TInvalidGraphic();
    ByteReader header(reader.Bytes(info.headerSize - 4));
    if (info.headerSize == 12)
        ReadCoreHeader(header, info);
    else
        ReadInfoHeader(header, info);
    return info;
}

bool IsMasked(const BmpInfo& info)
{
    const auto compression = static_cast<Compression>(info.compression);
    return compression == Compression::Bitfields || compression == Compression::AlphaBitfields;
}

bool CompressionFits(const BmpInfo& info)
{
    // The OS/2 headers reuse 3 and 4 for Huffman and RLE24, which are not supported.
    if (IsOs2V2(info.headerSize) && info.compression >= 3)
        return false;
    switch (static_cast<Compression>(info.compression)) {
    case Compression::Rgb:
        return true;
    case Compression::Rle8:
        return info.bitCount == 8 && !info.topDown;
    case Compression::Rle4:
        return info.bitCount == 4 && !info.topDown;
    case Compression::Bitfields:
    case Compression::AlphaBitfields:
        return info.bitCount == 16 || info.bitCount == 32;
    }
    return false;
}

void ValidateInfo(const BmpInfo& info)
{
    if (info.planes != 1)
        throw TInvalidGraphic();
    constexpr std::array kDepths{1, 2, 4, 8, 16, 24, 32};
    if (std::find(kDepths.begin(), kDepths.end(), info.bitCount) == kDepths.end())
        throw TInvalidGraphic();
    if (info.width <= 0 || info.width > kMaxSide || info.height <= 0 || info.height > kMaxSide)
        throw TInvalidGraphic();
    if (info.width * info.height > kMaxPixels || info.colorsUsed > kMaxColorsUsed)
        throw TInvalidGraphic();
    if (!CompressionFits(info))
        throw TInvalidGraphic();
}

void ReadMasks(ByteReader& reader, BmpInfo& info)
{
    if (!IsMasked(info)) {
        const bool wide = info.bitCount != 16;
        info.masks = {wide ? 0xFF0000u : 0x7C00u, wide ? 0xFF00u : 0x3E0u, wide ? 0xFFu : 0x1Fu, 0};
        return;
    }
    const bool withAlpha = static_cast<Compression>(info.compression) == Compression::AlphaBitfields;
    if (!info.masksInHeader) {
        for (int i = 0; i < (withAlpha ? 4 : 3); ++i)
            info.masks[i] = reader.U32();
    }
}

Channel MakeChannel(std::uint32_t mask)
{
    if (mask == 0)
        return {};
    const int shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> shift;
    // A mask with holes cannot be scaled to a channel value; no writer produces one.
    if ((bits & (bits + 1)) != 0)
        throw TInvalidGraphic();
    return {mask, shift, bits};
}

std::uint8_t Scale(const Channel& channel, std::uint64_t value)
{
    if (channel.max == 0)
        return 0;
    const std::uint64_t v = (value & channel.mask) >> channel.shift;
    return static_cast<std::uint8_t>((v * 255 + channel.max / 2) / channel.max);
}

TPixel MakePixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha)
{
    return TPixel{alpha} << 24 | TPixel{red} << 16 | TPixel{green} << 8 | blue;
}

// How many colour-table entries the file holds after its headers: the declared number, or a full
// table for the depths up to 8 when none is declared. Deeper pictures may carry one too, unused.
std::uint64_t DeclaredTableEntries(const BmpInfo& info)
{
    const std::uint64_t full = info.bitCount <= 8 ? std::uint64_t{1} << info.bitCount : 0;
    return info.colorsUsed == 0 || info.headerSize == 12 ? full : info.colorsUsed;
}

// Reads the colour table for depths up to 8. Entries that the file leaves out stay black; entries
// beyond 2^depth are never used, and a table never reaches into the pixels the offset points to.
Palette ReadColorTable(ByteReader& reader, const BmpInfo& info)
{
    Palette palette;
    palette.fill(kBlackPixel);
    const std::uint64_t needed = std::uint64_t{1} << info.bitCount;
    std::uint64_t count = std::min(DeclaredTableEntries(info), needed);
    const std::uint64_t start = reader.Position();
    if (info.dataOffset >= start && info.dataOffset <= reader.Size())
        count = std::min<std::uint64_t>(count, (info.dataOffset - start) / info.paletteEntrySize);
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto entry = reader.Bytes(info.paletteEntrySize);
        palette[i] = MakePixel(entry[2], entry[1], entry[0], 0xFF);
    }
    return palette;
}

// An offset of 0 puts the pixels right after the headers, the masks and the whole declared table.
std::uint64_t PixelDataStart(const ByteReader& reader, const BmpInfo& info, std::uint64_t headersEnd)
{
    const std::uint64_t start = info.dataOffset != 0
        ? info.dataOffset
        : headersEnd + DeclaredTableEntries(info) * info.paletteEntrySize;
    if (start > reader.Size())
        throw TReadError();
    if (start < headersEnd)
        throw TInvalidGraphic();
    return start;
}

std::int64_t DestRow(const BmpInfo& info, std::int64_t fileRow)
{
    return info.topDown ? fileRow : info.height - 1 - fileRow;
}

void UnpackIndexedRow(std::span<const std::uint8_t> row, int bitCount, const Palette& palette,
                      std::span<TPixel> out)
{
    const unsigned mask = (1u << bitCount) - 1;
    for (std::size_t x = 0; x < out.size(); ++x) {
        const std::size_t bit = x * bitCount;
        const unsigned shift = 8 - bitCount - bit % 8;
        out[x] = palette[(row[bit / 8] >> shift) & mask];
    }
}

void UnpackMaskedRow(std::span<const std::uint8_t> row, int bitCount,
                     const std::array<Channel, 4>& channels, std::span<TPixel> out)
{
    const std::size_t bytesPerPixel = static_cast<std::size_t>(bitCount) / 8;
    const bool hasAlpha = channels[3].max != 0;
    for (std::size_t x = 0; x < out.size(); ++x) {
        const std::uint64_t value = ByteReader::Little(row.subspan(x * bytesPerPixel, bytesPerPixel));
        const std::uint8_t alpha = hasAlpha ? Scale(channels[3], value) : 0xFF;
        out[x] = MakePixel(Scale(channels[0], value), Scale(channels[1], value),
                           Scale(channels[2], value), alpha);
    }
}

template <typename UnpackRow>
TABitmap DecodeRows(ByteReader& reader, const BmpInfo& info, std::uint64_t start, UnpackRow unpack)
{
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(info.width) * info.bitCount + 7) / 8;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    // The last row may lack its padding; everything else must be there before we allocate.
    if (start + stride * (info.height - 1) + rowBytes > reader.Size())
        throw TReadError();
    TABitmap bitmap(static_cast<std::int32_t>(info.width), static_cast<std::int32_t>(info.height));
    for (std::int64_t row = 0; row < info.height; ++row) {
        reader.Seek(start + stride * row);
        unpack(reader.Bytes(rowBytes), bitmap.WritableScanline(static_cast<std::int32_t>(DestRow(info, row))));
    }
    return bitmap;
}

std::uint8_t Nibble(std::uint8_t byte, unsigned i)
{
    return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

// Follows decoded RLE pixels over a picture of the given size and writes them into the bitmap,
// dropping whatever lands outside it. Without a bitmap it only follows them, to check the stream.
class RleCanvas {
public:
    RleCanvas(const BmpInfo& info, TABitmap* bitmap, const Palette& palette)
        : m_width(info.width), m_height(info.height), m_bitmap(bitmap), m_palette(palette)
    {
    }

    bool Done() const { return m_y >= m_height; }
    void NextLine() { m_x = 0; ++m_y; }
    void Move(std::uint8_t dx, std::uint8_t dy) { m_x += dx; m_y += dy; }

    // A run of one value, or of two alternating nibbles; what falls past the right edge is
    // skipped at once, so that a small file of long runs cannot keep the reader busy.
    void PutRun(std::uint8_t value, unsigned count, bool nibbles)
    {
        const std::int64_t room = m_bitmap ? m_width - m_x : 0;
        const auto visible = static_cast<unsigned>(std::clamp<std::int64_t>(room, 0, count));
        for (unsigned i = 0; i < visible; ++i)
            Put(nibbles ? Nibble(value, i) : value);
        m_x += count - visible;
    }

    void Put(std::uint8_t index)
    {
        if (m_bitmap && m_x < m_width && !Done()) {
            const auto row = static_cast<std::int32_t>(m_height - 1 - m_y);
            m_bitmap->SetPixel(static_cast<std::int32_t>(m_x), row, m_palette[index]);
        }
        ++m_x;
    }

private:
    std::int64_t m_width;
    std::int64_t m_height;
    TABitmap* m_bitmap;
    const Palette& m_palette;
    std::int64_t m_x = 0;
    std::int64_t m_y = 0;
};

void PutAbsoluteRun(ByteReader& reader, RleCanvas& canvas, unsigned count, bool nibbles)
{
    const unsigned byteCount = nibbles ? (count + 1) / 2 : count;
    const auto bytes = reader.Bytes(byteCount);
    reader.Skip(byteCount % 2); // Absolute runs are padded to a 16-bit boundary.
    for (unsigned i = 0; i < count; ++i)
        canvas.Put(nibbles ? Nibble(bytes[i / 2], i) : bytes[i]);
}

// Every step consumes at least two bytes, so a loop over any input ends.
void DecodeRle(ByteReader& reader, RleCanvas& canvas, bool nibbles)
{
    while (!canvas.Done()) {
        const std::uint8_t count = reader.U8();
        const std::uint8_t value = reader.U8();
        if (count > 0) {
            canvas.PutRun(value, count, nibbles);
        } else if (value == 0) {
            canvas.NextLine();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            const std::uint8_t dx = reader.U8();
            canvas.Move(dx, reader.U8());
        } else {
            PutAbsoluteRun(reader, canvas, value, nibbles);
        }
    }
}

// The stream is followed once without a bitmap, so that a cut one is refused before the pixels
// of a picture it declares, however large, are allocated.
TABitmap DecodeRlePixels(ByteReader& reader, const BmpInfo& info, const Palette& palette,
                         std::uint64_t start)
{
    const bool nibbles = static_cast<Compression>(info.compression) == Compression::Rle4;
    RleCanvas check(info, nullptr, palette);
    reader.Seek(start);
    DecodeRle(reader, check, nibbles);
    TABitmap bitmap(static_cast<std::int32_t>(info.width), static_cast<std::int32_t>(info.height));
    RleCanvas canvas(info, &bitmap, palette);
    reader.Seek(start);
    DecodeRle(reader, canvas, nibbles);
    return bitmap;
}

TABitmap DecodePixels(ByteReader& reader, const BmpInfo& info, const Palette& palette,
                      std::uint64_t start)
{
    const auto compression = static_cast<Compression>(info.compression);
    if (compression == Compression::Rle8 || compression == Compression::Rle4)
        return DecodeRlePixels(reader, info, palette, start);
    const int bitCount = info.bitCount;
    if (bitCount <= 8) {
        return DecodeRows(reader, info, start, [&](auto row, auto out) {
            UnpackIndexedRow(row, bitCount, palette, out);
        });
    }
    const std::array channels{MakeChannel(info.masks[0]), MakeChannel(info.masks[1]),
                              MakeChannel(info.masks[2]), MakeChannel(info.masks[3])};
    return DecodeRows(reader, info, start, [&](auto row, auto out) {
        UnpackMaskedRow(row, bitCount, channels, out);
    });
}

} // namespace

TABitmap DecodeBmp(std::span<const std::uint8_t> file)
{
    if (file.empty())
        return {};
    ByteReader reader(file);
    const std::uint32_t dataOffset = ReadFileHeader(reader);
    BmpInfo info = ReadDibHeader(reader);
    info.dataOffset = dataOffset;
    ValidateInfo(info);
    Palette palette{};
    if (info.bitCount > 8)
        ReadMasks(reader, info);
    const std::uint64_t headersEnd = reader.Position();
    if (info.bitCount <= 8)
        palette = ReadColorTable(reader, info);
    return DecodePixels(reader, info, palette, PixelDataStart(reader, info, headersEnd));
}

} // namespace glintfall

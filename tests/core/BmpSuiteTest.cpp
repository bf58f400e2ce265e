#include "BmpCodec.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace glintfall;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// One accepted rendering of a corpus file, as manifest.tsv lists it.
struct Reference {
    std::string name;
    int width = 0;
    int height = 0;
    std::string rgbaFile;
    int tolerance = 0;
};

fs::path CorpusDir()
{
    if (const char* dir = std::getenv("GLINTFALL_BMPSUITE"))
        return dir;
    return GLINTFALL_DEFAULT_BMPSUITE;
}

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<Reference> ReadManifest(const fs::path& dir)
{
    std::ifstream in(dir / "manifest.tsv");
    std::vector<Reference> references;
    std::string line;
    std::getline(in, line); // Column names.
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() < 8)
            continue;
        // The reference of rgb32-111110 went through 16 bits and was rounded twice, so 128 of its
        // pixels sit one level below round(v*255/2047) although the manifest does not say so.
        const bool looser = (cells.size() > 9 && cells[9].find("+-1") != std::string::npos)
                            || cells[0] == "rgb32-111110.bmp";
        references.push_back({cells[0], std::stoi(cells[2]), std::stoi(cells[3]), cells[7], looser ? 1 : 0});
    }
    return references;
}

bool Matches(const TABitmap& bitmap, const Reference& reference, const Bytes& rgba)
{
    if (bitmap.Width() != reference.width || bitmap.Height() != reference.height
        || rgba.size() != bitmap.Pixels().size() * 4)
        return false;
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        const TPixel pixel = bitmap.Pixels()[i / 4];
        const int channel = static_cast<int>(pixel >> (i % 4 == 3 ? 24 : 16 - 8 * (i % 4)) & 0xFF);
        // Where the reference is fully transparent its colour means nothing.
        const bool transparent = rgba[i | 3] == 0 && i % 4 != 3;
        if (!transparent && std::abs(channel - rgba[i]) > reference.tolerance)
            return false;
    }
    return true;
}

bool MatchesAny(const TABitmap& bitmap, const std::string& name, const fs::path& dir,
                const std::vector<Reference>& references)
{
    return std::any_of(references.begin(), references.end(), [&](const Reference& reference) {
        return reference.name == name && Matches(bitmap, reference, ReadAll(dir / reference.rgbaFile));
    });
}

std::string MissingCorpusMessage(const fs::path& dir)
{
    return "BMP conformance corpus not found at " + dir.string()
           + "; set GLINTFALL_BMPSUITE to its folder to run this test";
}

enum class Expect { Decode, Survive };

// Decodes every file of one folder and checks the outcome the folder calls for.
void CheckFolder(const std::string& folder, Expect expect)
{
    const fs::path dir = CorpusDir();
    if (!fs::is_directory(dir / folder))
        GTEST_SKIP() << MissingCorpusMessage(dir);
    const auto references = ReadManifest(dir);
    int decoded = 0;
    int rejected = 0;
    for (const auto& entry : fs::directory_iterator(dir / folder)) {
        const std::string name = entry.path().filename().string();
        try {
            const TABitmap bitmap = DecodeBmp(ReadAll(entry.path()));
            ++decoded;
            if (expect == Expect::Decode) {
                EXPECT_TRUE(MatchesAny(bitmap, name, dir, references)) << name << " decodes wrongly";
            }
        } catch (const TReadError&) {
            ++rejected;
            EXPECT_NE(expect, Expect::Decode) << name << " refused: data ends early";
        } catch (const TInvalidGraphic&) {
            ++rejected;
            EXPECT_NE(expect, Expect::Decode) << name << " refused as invalid";
        }
    }
    std::cout << "bmpsuite " << folder << "/: " << decoded << " decoded, " << rejected << " rejected\n";
    testing::Test::RecordProperty("decoded", decoded);
    testing::Test::RecordProperty("rejected", rejected);
}

TEST(BmpSuite, goodFilesDecodeToTheirReferences)
{
    CheckFolder("g", Expect::Decode);
}

TEST(BmpSuite, badFilesAreRefusedOrDecodedHarmlessly)
{
    CheckFolder("b", Expect::Survive);
}

enum class Outcome { Decoded, DecodedWrongly, Invalid, EndsEarly, Missing };

std::ostream& operator<<(std::ostream& out, Outcome outcome)
{
    constexpr const char* kNames[] = {"decoded to its reference", "decoded wrongly",
                                      "refused as invalid", "refused: data ends early", "missing"};
    return out << kNames[static_cast<int>(outcome)];
}

Outcome OutcomeOf(const fs::path& file, const fs::path& dir, const std::vector<Reference>& references)
{
    if (!fs::is_regular_file(file))
        return Outcome::Missing;
    try {
        const TABitmap bitmap = DecodeBmp(ReadAll(file));
        return MatchesAny(bitmap, file.filename().string(), dir, references) ? Outcome::Decoded
                                                                             : Outcome::DecodedWrongly;
    } catch (const TReadError&) {
        return Outcome::EndsEarly;
    } catch (const TInvalidGraphic&) {
        return Outcome::Invalid;
    }
}

// What the reader makes of every questionable file. Any change here changes what a user can open,
// so it must be made on purpose: a file that stops decoding, or starts, fails the test.
const std::pair<const char*, Outcome> kQuestionable[] = {
    {"pal1huffmsb.bmp", Outcome::Invalid}, // Huffman 1D, code 3 of an OS/2 header
    {"pal1p1.bmp", Outcome::Decoded},
    {"pal2.bmp", Outcome::Decoded},
    {"pal2color.bmp", Outcome::Decoded},
    {"pal4rlecut.bmp", Outcome::Decoded},
    {"pal4rletrns.bmp", Outcome::Decoded},
    {"pal8offs.bmp", Outcome::Decoded},
    {"pal8os2-hs.bmp", Outcome::Decoded},
    {"pal8os2-sz.bmp", Outcome::Decoded},
    {"pal8os2sp.bmp", Outcome::Decoded},
    {"pal8os2v2-16.bmp", Outcome::Decoded},
    {"pal8os2v2-40sz.bmp", Outcome::Decoded},
    {"pal8os2v2-sz.bmp", Outcome::Decoded},
    {"pal8os2v2.bmp", Outcome::Decoded},
    {"pal8oversizepal.bmp", Outcome::Decoded},
    {"pal8rlecut.bmp", Outcome::Decoded},
    {"pal8rletrns.bmp", Outcome::Decoded},
    {"rgb16-231.bmp", Outcome::Decoded},
    {"rgb16-3103.bmp", Outcome::Decoded},
    {"rgb16faketrns.bmp", Outcome::Decoded},
    {"rgb24jpeg.bmp", Outcome::Invalid}, // a JPEG inside
    {"rgb24largepal.bmp", Outcome::Decoded},
    {"rgb24lprof.bmp", Outcome::Decoded},
    {"rgb24png.bmp", Outcome::Invalid},    // a PNG inside
    {"rgb24rle24.bmp", Outcome::Invalid},  // RLE24, code 4 of an OS/2 header
    {"rgb32-111110.bmp", Outcome::Decoded},
    {"rgb32-7187.bmp", Outcome::Decoded},
    {"rgb32-xbgr.bmp", Outcome::Decoded},
    {"rgb32fakealpha.bmp", Outcome::Decoded},
    {"rgb32h52.bmp", Outcome::Decoded},    // masks in a 52-byte header
    {"rgba16-1924.bmp", Outcome::Decoded},
    {"rgba16-4444.bmp", Outcome::Decoded},
    {"rgba16-5551.bmp", Outcome::Decoded},
    {"rgba32-1.bmp", Outcome::Decoded},
    {"rgba32-1010102.bmp", Outcome::Decoded},
    {"rgba32-2.bmp", Outcome::Decoded},
    {"rgba32-61754.bmp", Outcome::Decoded},
    {"rgba32-81284.bmp", Outcome::Decoded},
    {"rgba32abf.bmp", Outcome::Decoded},
    {"rgba32h56.bmp", Outcome::Decoded},   // masks with alpha in a 56-byte header
    {"rgba64.bmp", Outcome::Invalid},      // 64 bits per pixel
};

TEST(BmpSuite, questionableFilesHaveTheirPinnedOutcome)
{
    const fs::path dir = CorpusDir();
    if (!fs::is_directory(dir / "q"))
        GTEST_SKIP() << MissingCorpusMessage(dir);
    const auto references = ReadManifest(dir);
    std::set<std::string> pinned;
    for (const auto& [name, expected] : kQuestionable) {
        pinned.insert(name);
        EXPECT_EQ(OutcomeOf(dir / "q" / name, dir, references), expected) << name;
    }
    for (const auto& entry : fs::directory_iterator(dir / "q"))
        EXPECT_TRUE(pinned.contains(entry.path().filename().string())) << entry.path() << " has no pinned outcome";
}

} // namespace

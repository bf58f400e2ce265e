// Decodes one BMP file with the program's own reader and writes its pixels as raw RGBA8 rows,
// top-down, so other tools can compare them with reference renderings.
#include "BmpCodec.h"
#include "Errors.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> ToRgba(const glintfall::TABitmap& bitmap)
{
    std::vector<std::uint8_t> rgba;
    rgba.reserve(bitmap.Pixels().size() * 4);
    for (const glintfall::TPixel pixel : bitmap.Pixels()) {
        for (const int shift : {16, 8, 0, 24})
            rgba.push_back(static_cast<std::uint8_t>(pixel >> shift));
    }
    return rgba;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: bmpdecode FILE OUT\n";
        return 2;
    }
    try {
        glintfall::TABitmap bitmap;
        bitmap.LoadFromFile(argv[1]);
        const auto rgba = ToRgba(bitmap);
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(rgba.data()), static_cast<std::streamsize>(rgba.size()));
        if (!out) {
            std::cout << "cannot write " << argv[2] << "\n";
            return 1;
        }
        std::cout << bitmap.Width() << "x" << bitmap.Height() << "\n";
    } catch (const glintfall::TError& error) {
        std::cout << error.what() << "\n";
        return 1;
    }
    return 0;
}

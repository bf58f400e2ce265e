#include "BmpCodec.h"

namespace glintfall {

std::vector<std::uint8_t> EncodeBmp(const TABitmap&)
{
    return {};
}

} // namespace glintfall

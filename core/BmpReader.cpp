#include "BmpCodec.h"

#include "Errors.h"

namespace glintfall {

TABitmap DecodeBmp(std::span<const std::uint8_t> file)
{
    if (file.empty())
        return {};
    throw TInvalidGraphic();
}

} // namespace glintfall

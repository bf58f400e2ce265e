// libFuzzer entry point: any bytes must either decode or be refused with the reader's own errors.
#include "BmpCodec.h"
#include "Errors.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const glintfall::TABitmap bitmap = glintfall::DecodeBmp(std::span(data, size));
        // Touch the result so a bitmap whose size disagrees with its pixels shows up here.
        volatile std::size_t count = bitmap.Pixels().size();
        (void)count;
    } catch (const glintfall::TReadError&) {
    } catch (const glintfall::TInvalidGraphic&) {
    }
    return 0;
}

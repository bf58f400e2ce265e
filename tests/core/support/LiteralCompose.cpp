#include "LiteralCompose.h"

#include "ColorPattern.h"
#include "Scene.h"

namespace glintfall {

void ComposeFrameLiteral(const Scene& scene, TABitmap& surface)
{
    surface.FillBlack();
    for (std::size_t i = 0; i < scene.dots.Length(); ++i) {
        const TDot& dot = scene.dots[i];
        const TColor color = DotColor(scene, static_cast<std::int32_t>(static_cast<std::uint32_t>(i)));
        surface.FillRect(dot.x, dot.y, std::int64_t{dot.x} + dot.size, std::int64_t{dot.y} + dot.size, color);
    }
}

} // namespace glintfall

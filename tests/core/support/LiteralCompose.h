#pragma once

namespace glintfall {

class TABitmap;
struct Scene;

// The frame drawn the straightforward way: black, then every dot of the trail in index order as a
// filled square in its colour. Slow, and kept as the yardstick for ComposeFrame's result.
void ComposeFrameLiteral(const Scene& scene, TABitmap& surface);

} // namespace glintfall

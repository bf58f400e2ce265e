#pragma once

#include "RealProgram.h"

#include <QImage>

#include <optional>
#include <vector>

namespace glintfall {

// The canvas as a screenshot shows it: where its top-left corner is, and how many screen pixels
// each of its pixels takes on either side.
struct CanvasOnScreen {
    QPoint topLeft;
    int scale = 1;

    QPoint ToScreen(QPoint onCanvas) const { return topLeft + onCanvas * scale; }
};

// The colours of a dot and its twin.
struct Pair {
    QRgb dot;
    QRgb twin;
};

// The lit colour of the canvas pixel, where all its screen pixels show that one colour.
inline std::optional<QRgb> LitPixel(const QImage& screen, const CanvasOnScreen& canvas, QPoint onCanvas)
{
    const QPoint corner = canvas.ToScreen(onCanvas);
    if (!screen.rect().contains(QRect(corner, QSize(canvas.scale, canvas.scale))))
        return std::nullopt;
    const QRgb colour = screen.pixel(corner) & 0xFFFFFF;
    for (int dy = 0; dy < canvas.scale; ++dy)
        for (int dx = 0; dx < canvas.scale; ++dx)
            if ((screen.pixel(corner + QPoint(dx, dy)) & 0xFFFFFF) != colour)
                return std::nullopt;
    return colour == 0 ? std::nullopt : std::optional(colour);
}

// The pair whose dot lies at this canvas pixel, where both it and its twin are lit; or whose twin
// alone is, in the colour of a pair's twin whose dot is black (every 256th pair's).
inline std::optional<Pair> PairAt(const QImage& screen, const CanvasOnScreen& canvas, QPoint dot)
{
    const std::optional<QRgb> dotColour = LitPixel(screen, canvas, dot);
    const std::optional<QRgb> twinColour = LitPixel(screen, canvas, QPoint(480, 480) - dot);
    if (!twinColour || (!dotColour && *twinColour != IndexColour(1)))
        return std::nullopt;
    return Pair{dotColour.value_or(IndexColour(0)), *twinColour};
}

// The trail index, modulo 256, whose colour and whose successor's the pair shows.
inline std::optional<int> IndexOf(const Pair& pair)
{
    for (int index = 0; index < 256; index += 2)
        if (IndexColour(index) == pair.dot && IndexColour(index + 1) == pair.twin)
            return index;
    return std::nullopt;
}

// The trail index of the pair at each of these dots; nothing where one has no pair.
inline std::vector<std::optional<int>> PairIndices(const QImage& screen, const CanvasOnScreen& canvas,
                                                   const std::vector<QPoint>& dots)
{
    std::vector<std::optional<int>> indices;
    for (const QPoint dot : dots) {
        const std::optional<Pair> pair = PairAt(screen, canvas, dot);
        indices.push_back(pair ? IndexOf(*pair) : std::nullopt);
    }
    return indices;
}

// How many of the indices follow the one before as the next pair of the trail.
inline int PairsInTrailOrder(const std::vector<std::optional<int>>& indices)
{
    int inOrder = 0;
    for (std::size_t i = 1; i < indices.size(); ++i)
        inOrder += indices[i] && indices[i - 1] && *indices[i] == (*indices[i - 1] + 2) % 256;
    return inOrder;
}

} // namespace glintfall

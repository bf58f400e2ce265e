#include "Damage.h"

#include <algorithm>

namespace glintfall {

void Damage::Add(const TArea& area)
{
    if (area.Empty())
        return;
    const auto areas = Areas();
    if (std::ranges::any_of(areas, [&](const TArea& known) { return known.Contains(area); }))
        return;
    if (m_count < kMostAreas) {
        m_areas[m_count++] = area;
        return;
    }
    TArea all = area;
    for (const TArea& known : areas)
        all = {std::min(all.left, known.left), std::min(all.top, known.top), std::max(all.right, known.right),
               std::max(all.bottom, known.bottom)};
    m_areas[0] = all;
    m_count = 1;
}

} // namespace glintfall

#pragma once

#include <cstddef>

namespace glintfall {

// While it lives, watches every allocation through operator new of at least a given size: counts
// them and, in failing mode, refuses them with std::bad_alloc as an exhausted heap would. Smaller
// allocations pass untouched, so the test framework around the code under test keeps working.
// One watch at a time; link the glintfall_large_allocations object library to use it.
class LargeAllocations {
public:
    enum class Mode { Count, Fail };

    explicit LargeAllocations(std::size_t atLeast, Mode mode = Mode::Count);
    ~LargeAllocations();
    LargeAllocations(const LargeAllocations&) = delete;
    LargeAllocations& operator=(const LargeAllocations&) = delete;

    // How many were asked for since the watch began, refused ones included.
    int Count() const;
};

} // namespace glintfall

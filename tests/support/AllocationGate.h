#pragma once
#include <cstddef>

namespace mv::test {

// While one of these lives, operator new refuses (throws std::bad_alloc for)
// every request larger than the given size: running out of memory on demand.
class RefuseLargeAllocations {
public:
    explicit RefuseLargeAllocations(size_t largest);
    ~RefuseLargeAllocations();
    RefuseLargeAllocations(const RefuseLargeAllocations&) = delete;
    RefuseLargeAllocations& operator=(const RefuseLargeAllocations&) = delete;
};

// While one of these lives, counts the bytes that operator new hands out and
// that are not yet given back: Peak() is the most held at once since it was
// made (memory taken before and freed meanwhile lowers the count).
class MeasureAllocations {
public:
    MeasureAllocations();
    ~MeasureAllocations();
    MeasureAllocations(const MeasureAllocations&) = delete;
    MeasureAllocations& operator=(const MeasureAllocations&) = delete;
    size_t Peak() const;
};

}  // namespace mv::test

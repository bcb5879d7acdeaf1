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

}  // namespace mv::test

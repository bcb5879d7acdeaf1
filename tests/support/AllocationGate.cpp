// The test program's own operator new and delete, over malloc and free, so
// that a test can make large requests fail.
#include "support/AllocationGate.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> gLargest{SIZE_MAX};

void* Allocate(size_t n) {
    if (n > gLargest.load(std::memory_order_relaxed)) throw std::bad_alloc();
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

mv::test::RefuseLargeAllocations::RefuseLargeAllocations(size_t largest) { gLargest = largest; }
mv::test::RefuseLargeAllocations::~RefuseLargeAllocations() { gLargest = SIZE_MAX; }

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

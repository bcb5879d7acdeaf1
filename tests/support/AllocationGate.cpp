// The test program's own operator new and delete, over malloc and free, so
// that a test can make large requests fail.
#include "support/AllocationGate.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {
std::atomic<size_t> gLargest{SIZE_MAX};
std::atomic<bool> gCounting{false};
std::atomic<int64_t> gHeld{0};
std::atomic<int64_t> gPeak{0};

void* Allocate(size_t n) {
    if (n > gLargest.load(std::memory_order_relaxed)) throw std::bad_alloc();
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    if (gCounting.load(std::memory_order_relaxed)) {
        const int64_t held = gHeld += static_cast<int64_t>(malloc_usable_size(p));
        int64_t peak = gPeak.load();
        while (held > peak && !gPeak.compare_exchange_weak(peak, held)) {
        }
    }
    return p;
}

void Free(void* p) {
    if (p && gCounting.load(std::memory_order_relaxed)) gHeld -= static_cast<int64_t>(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

mv::test::RefuseLargeAllocations::RefuseLargeAllocations(size_t largest) { gLargest = largest; }
mv::test::RefuseLargeAllocations::~RefuseLargeAllocations() { gLargest = SIZE_MAX; }

mv::test::MeasureAllocations::MeasureAllocations() {
    gHeld = 0;
    gPeak = 0;
    gCounting = true;
}
mv::test::MeasureAllocations::~MeasureAllocations() { gCounting = false; }
size_t mv::test::MeasureAllocations::Peak() const { return static_cast<size_t>(gPeak.load()); }

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }

// The orbit loop four points at a time with SSE2, which every processor the
// program runs on has.
#if defined(__i386__) || defined(__x86_64__)
#define MV_KERNEL_WIDTH 4
#define MV_KERNEL_NAME OrbitsSse2
#include "Patterns/FractalKernelImpl.h"

namespace mv {
namespace fractal_kernel {

SimdLevel BestLevel() {
    static const SimdLevel level = __builtin_cpu_supports("avx2") ? SimdLevel::Avx2 : SimdLevel::Sse2;
    return level;
}

}  // namespace fractal_kernel
}  // namespace mv
#else
#include "Patterns/FractalKernel.h"

mv::fractal_kernel::SimdLevel mv::fractal_kernel::BestLevel() { return SimdLevel::Scalar; }
#endif

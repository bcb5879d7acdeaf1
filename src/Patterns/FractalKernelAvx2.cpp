// The orbit loop eight points at a time with AVX2 (this file alone is built
// for AVX2; the renderer calls it only when the processor has it).
#if defined(__i386__) || defined(__x86_64__)
#define MV_KERNEL_WIDTH 8
#define MV_KERNEL_NAME OrbitsAvx2
#include "Patterns/FractalKernelImpl.h"
#endif

#pragma once

// Kernels that pay for it come twice: compiled for the x86-64 baseline and for AVX2, chosen at
// run time. Both give the same bits; tests switch AVX2 off to compare them.
#if defined(__GNUC__) && defined(__x86_64__)
#define QUORVANE_X86 1
#define QUORVANE_AVX2 __attribute__((target("avx2")))
#define QUORVANE_INLINE inline __attribute__((always_inline))
#else
#define QUORVANE_INLINE inline
#endif

namespace imaging::effects::simd {

// True when the processor has AVX2 and it has not been switched off, by QUORVANE_AVX2=0 or
// setAvx2Allowed(false).
bool avx2();

// Lets tests run the baseline kernels on a processor that has AVX2.
void setAvx2Allowed(bool allowed);

}  // namespace imaging::effects::simd

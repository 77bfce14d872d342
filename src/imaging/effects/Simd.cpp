#include "imaging/effects/Simd.h"

#include <QString>
#include <atomic>

namespace imaging::effects::simd {

namespace {
// QUORVANE_AVX2=0 runs the baseline kernels, to compare or to measure them.
std::atomic<bool> allowed{qEnvironmentVariable("QUORVANE_AVX2") != QLatin1String("0")};
}  // namespace

bool avx2() {
#ifdef QUORVANE_X86
    static const bool present = __builtin_cpu_supports("avx2");
    return present && allowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void setAvx2Allowed(bool allowedNow) { allowed.store(allowedNow, std::memory_order_relaxed); }

}  // namespace imaging::effects::simd

#pragma once

#include <exception>

namespace platform {

// Runs one step of a procedure whose failing steps are skipped so that the next one still
// runs (clean-up at exit, the rotation's bookkeeping). Returns whether the step succeeded.
template <typename Step>
bool skipOnError(Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace platform

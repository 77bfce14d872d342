#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "imaging/Error.h"

// Shared by the engine's test executables.
namespace engine_testing {

// The number of the imaging::Error that `work` throws, 0 when it throws none.
inline std::int32_t errorNumberOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const imaging::Error& error) {
        return error.number;
    }
    return 0;
}

// Names each parametrised case after its `name` field.
inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace engine_testing

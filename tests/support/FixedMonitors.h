#pragma once

#include "platform/monitors/MonitorSource.h"

namespace testing_support {

// A monitor layout the test decides, changed as a hot-plug would change it.
class FixedMonitors final : public platform::MonitorSource {
public:
    explicit FixedMonitors(platform::MonitorLayout layout) : layout_(std::move(layout)) {}
    platform::MonitorLayout monitors() override { return platform::orderedLayout(layout_); }
    void plug(platform::MonitorLayout layout) {
        layout_ = std::move(layout);
        emit layoutMayHaveChanged();
    }

private:
    platform::MonitorLayout layout_;
};

}  // namespace testing_support

#include "MonitorMode.h"

namespace rotation {

QString monitorModeName(MonitorMode mode) {
    switch (mode) {
        case MonitorMode::Each:
            return QStringLiteral("each");
        case MonitorMode::Span:
            return QStringLiteral("span");
        case MonitorMode::Same:
            break;
    }
    return QStringLiteral("same");
}

std::optional<MonitorMode> monitorModeNamed(const QString& name) {
    for (const MonitorMode mode : {MonitorMode::Same, MonitorMode::Each, MonitorMode::Span})
        if (name == monitorModeName(mode)) return mode;
    return std::nullopt;
}

MonitorMode storedMonitorMode(const std::map<QString, QString>& settings) {
    const auto found = settings.find(kMonitorModeSetting);
    if (found == settings.end()) return MonitorMode::Same;
    return monitorModeNamed(found->second).value_or(MonitorMode::Same);
}

}  // namespace rotation

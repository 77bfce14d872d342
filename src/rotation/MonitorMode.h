#pragma once

#include <QString>
#include <map>
#include <optional>

namespace rotation {

// What the monitors show.
enum class MonitorMode {
    Same,  // the wallpaper on every monitor, fitted to each
    Each,  // each rotation step's picture on the next monitor in turn
    Span,  // one picture across the whole layout
};

// The word --monitors and the store use: "same", "each", "span".
QString monitorModeName(MonitorMode mode);
std::optional<MonitorMode> monitorModeNamed(const QString& name);

// The name the mode is kept under among the monitor settings of the store.
inline const QString kMonitorModeSetting = QStringLiteral("Mode");

// The mode among the stored settings; "same" where none, or none known, is kept.
MonitorMode storedMonitorMode(const std::map<QString, QString>& settings);

}  // namespace rotation

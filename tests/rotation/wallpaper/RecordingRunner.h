#pragma once

#include "rotation/wallpaper/ProgramRunner.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace wallpaper_test {

struct ProgramCall {
    QString program;
    QStringList arguments;

    bool operator==(const ProgramCall&) const = default;
};

// Stands in for the desktop tools: remembers every program a backend would start and
// answers each with a successful run printing `output`.
class RecordingRunner {
public:
    rotation::ProgramRunner runner() {
        return [this](const QString& program, const QStringList& arguments, int) {
            calls.push_back({program, arguments});
            platform::ProcessResult result;
            result.started = true;
            result.exitCode = 0;
            result.standardOutput = output;
            return result;
        };
    }

    QByteArray output;
    std::vector<ProgramCall> calls;
};

}  // namespace wallpaper_test

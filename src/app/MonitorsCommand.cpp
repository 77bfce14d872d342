#include "MonitorsCommand.h"

#include <QDir>
#include <cstdio>

#include "rotation/MonitorMode.h"
#include "showlist/MonitorSettings.h"
#include "showlist/RecordSet.h"
#include "showlist/StoreFile.h"

namespace app {

int runMonitorsCommand(const QString& action, const QString& programFolder) {
    const showlist::MonitorSettings settings(showlist::storeFilePath(programFolder));
    if (action == QLatin1String("status")) {
        const QString mode =
            rotation::monitorModeName(rotation::storedMonitorMode(settings.read()));
        std::printf("%s\n", qPrintable(mode));
        return 0;
    }
    try {
        settings.write({{rotation::kMonitorModeSetting, action}});
    } catch (const showlist::StoreError& error) {
        std::fprintf(stderr, "quorvane: the choice cannot be kept in %s: %s\n",
                     qPrintable(QDir::toNativeSeparators(settings.storePath())), error.what());
        return 1;
    }
    return 0;
}

}  // namespace app

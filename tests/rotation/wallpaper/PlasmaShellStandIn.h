#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

namespace wallpaper_test {

// plasmashell as far as the wallpaper goes (Plasma itself is no Debian package the tests can
// run headless): it owns org.kde.plasmashell on the session bus and runs every script sent to
// org.kde.PlasmaShell.evaluateScript with node, against stand-ins of Plasma's desktop objects
// (PlasmaDesktopStandIn.js).
class PlasmaShellStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    struct Evaluation {
        QString script;
        QByteArray configWrites;  // JSON: what the script wrote into each desktop's configuration
        QString error;            // why the script failed; empty when it ran
    };

    PlasmaShellStandIn();
    ~PlasmaShellStandIn() override;
    // Why it is not on the bus; empty when it is.
    QString problem;
    std::vector<Evaluation> evaluations;

public slots:
    void evaluateScript(const QString& script);
};

}  // namespace wallpaper_test

#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusContext>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <vector>

namespace wallpaper_test {

// plasmashell as far as the wallpaper goes: it owns org.kde.plasmashell on a bus and, like
// Plasma, runs every script sent to org.kde.PlasmaShell.evaluateScript before it answers -
// with node, against stand-ins of Plasma's desktop objects (PlasmaDesktopStandIn.js). A script
// that fails is answered with its error, as Plasma does. It works on a thread of its own, so
// it answers even while the test's thread waits.
class PlasmaShellStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    struct Evaluation {
        QString script;
        QByteArray configWrites;  // JSON: what the script wrote into each desktop's configuration
        QString error;            // why the script failed; empty when it ran
    };

    explicit PlasmaShellStandIn(const QString& busAddress);
    ~PlasmaShellStandIn() override;

    // Why it is not on the bus; empty when it is.
    const QString& problem() const { return problem_; }
    std::vector<Evaluation> evaluations() const;

public slots:
    void evaluateScript(const QString& script);

private:
    QString connectionName_;
    QString problem_;
    QThread thread_;
    mutable QMutex mutex_;
    std::vector<Evaluation> evaluations_;
};

}  // namespace wallpaper_test

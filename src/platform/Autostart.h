#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace platform {

// Whether the program starts by itself when the user logs in.
enum class AutostartState {
    Off,           // no entry
    On,            // an entry that starts this very program (same executable, same --home)
    OtherProgram,  // an entry that starts something else: another copy, or another --home
};

// The user's log-in start entry for Quorvane: an XDG autostart file
// ($XDG_CONFIG_HOME/autostart/quorvane.desktop) on Linux and the other free desktops, the
// current user's Run key on Windows.
class Autostart {
public:
    // `program` is the absolute path of this executable; `home` the --home in use, empty
    // when the program folder is the default one.
    Autostart(QString program, QString home,
              QProcessEnvironment env = QProcessEnvironment::systemEnvironment());

    AutostartState state() const;
    // What the existing entry starts (its command line as written), empty without one.
    QString existingCommand() const;
    // Writes the entry for this program, replacing any other, atomically. Throws
    // std::runtime_error saying why when it cannot be written.
    void enable() const;
    // Removes the entry, whoever made it. Throws std::runtime_error saying why when it
    // cannot be removed; no entry is no error.
    void disable() const;
    // Where the entry lives (a file path, or the registry value's name on Windows).
    QString location() const;

private:
    QString program_;
    QString home_;
    QProcessEnvironment env_;
};

}  // namespace platform

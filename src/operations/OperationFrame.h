#pragma once

#include <QString>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "imaging/Error.h"

class QWidget;

namespace platform {
class Prompter;
}

namespace operations {

// How a command shows the error its steps left behind.
enum class ReportStyle {
    Full,    // "Error: <number>", an empty line, the description; the source as title
    Short,   // "Error: <number>" alone; the source as title
    Plain,   // the description alone, titled "Error"
    Silent,  // nothing; the error is dropped
};

// Which remembered errors a report shows.
enum class Reported {
    PassOver,  // every error except "no image loaded", which most commands take as nothing done
    AnyError,
};

QString fullErrorText(const imaging::Error& error);
QString shortErrorText(const imaging::Error& error);

// The trap every image command of the editor runs under. A command makes its calls through
// step() (a failing step is skipped and the next one still runs) or attempt() (the command
// stops at its first failure); either way the most recent failure is remembered, and report()
// shows it in the command's style. A failed step is never undone.
class OperationFrame {
public:
    OperationFrame(platform::Prompter& prompter, QWidget* parent);

    template <typename Step>
    void step(Step&& work) {
        attempt(std::forward<Step>(work));
    }

    // Returns whether the work ran to its end.
    template <typename Work>
    bool attempt(Work&& work) {
        try {
            work();
            return true;
        } catch (const imaging::Error& error) {
            remember(error);
        } catch (const std::bad_alloc&) {
            remember(outOfMemory());
        } catch (const std::exception& error) {
            remember(unexpected(error));
        }
        return false;
    }

    const std::optional<imaging::Error>& lastError() const { return last_; }
    void clear() { last_.reset(); }

    // Shows the remembered error in `style` when `which` says it is to be shown; the error is
    // dropped either way. Returns whether a box was shown.
    bool report(ReportStyle style, Reported which = Reported::PassOver);

private:
    void remember(const imaging::Error& error) { last_ = error; }
    static imaging::Error outOfMemory();
    static imaging::Error unexpected(const std::exception& error);

    platform::Prompter& prompter_;
    QWidget* parent_;
    std::optional<imaging::Error> last_;
};

}  // namespace operations

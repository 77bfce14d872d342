#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <variant>
#include <vector>

#include "platform/Prompter.h"

namespace testing_support {

// One question the program asked, as the user would have seen it.
struct AskedQuestion {
    enum class Kind { Message, Input, OpenFile, SaveFile, Color, PrinterSetup };
    Kind kind = Kind::Message;
    QString text;  // message text or input prompt
    platform::Buttons buttons = platform::Buttons::Ok;
    platform::Icon icon = platform::Icon::None;
    QString title;
    QString defaultText;
    platform::FileDialogRequest fileRequest;
    QColor initialColor;
};

// A prompter that answers from a script. Each expected question names what the program must
// ask and the answer to give; a question out of order or beyond the script fails the test.
class ScriptedPrompter final : public platform::Prompter {
public:
    ~ScriptedPrompter() override;

    void expectMessage(const QString& text, platform::Buttons buttons, platform::Icon icon,
                       const QString& title, platform::Answer answer);
    // A message whose text can only be known when it is asked (it names a file size, say):
    // `text` makes the expected text at that moment.
    void expectMessage(std::function<QString()> text, platform::Buttons buttons,
                       platform::Icon icon, const QString& title, platform::Answer answer);
    // An empty optional answers with Cancel.
    void expectInput(const QString& prompt, const QString& title, std::optional<QString> answer);
    void expectOpenFile(const QString& title, std::optional<platform::FileDialogResult> answer);
    void expectSaveFile(const QString& title, std::optional<platform::FileDialogResult> answer);
    void expectColor(std::optional<QColor> answer);
    void expectColor(const QString& title, std::optional<QColor> answer);
    // An accepted setup hands the printer to `choose`, as the user's choices in the dialog.
    void expectPrinterSetup(bool accept, std::function<void(QPrinter&)> choose = {});

    const std::vector<AskedQuestion>& asked() const { return asked_; }
    bool allAnswered() const { return script_.empty(); }

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title, QWidget* parent) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText, QWidget* parent) override;
    std::optional<platform::FileDialogResult> openFile(const platform::FileDialogRequest& request,
                                                       QWidget* parent) override;
    std::optional<platform::FileDialogResult> saveFile(const platform::FileDialogRequest& request,
                                                       QWidget* parent) override;
    std::optional<QColor> color(const QColor& initial, const QString& title,
                                QWidget* parent) override;
    bool printerSetup(QPrinter& printer, QWidget* parent) override;

private:
    using Reply =
        std::variant<platform::Answer, std::optional<QString>,
                     std::optional<platform::FileDialogResult>, std::optional<QColor>, bool>;
    struct Step {
        AskedQuestion question;
        Reply reply;
        std::function<QString()> text;  // when set, makes question.text when asked
        std::function<void(QPrinter&)> choosePrinter;
    };

    void expect(AskedQuestion question, Reply reply);
    // Records the question, checks it against the next step and returns that step's reply.
    Reply next(const AskedQuestion& asked, Step* taken = nullptr);
    std::optional<platform::FileDialogResult> fileDialog(
        AskedQuestion::Kind kind, const platform::FileDialogRequest& request);

    std::deque<Step> script_;
    std::vector<AskedQuestion> asked_;
};

}  // namespace testing_support

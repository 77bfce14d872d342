#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace testing_support {

using platform::Answer;
using Kind = AskedQuestion::Kind;

namespace {

const char* kindName(Kind kind) {
    static const char* const names[] = {"message box", "input box",     "open dialog",
                                        "save dialog", "colour dialog", "printer setup"};
    return names[int(kind)];
}

std::string describe(const AskedQuestion& q) {
    return std::string(kindName(q.kind)) + " \"" + q.text.toStdString() + "\" titled \"" +
           q.title.toStdString() + "\"";
}

AskedQuestion question(Kind kind, const QString& title, const QString& text = {},
                       platform::Buttons buttons = platform::Buttons::Ok,
                       platform::Icon icon = platform::Icon::None) {
    AskedQuestion q;
    q.kind = kind;
    q.title = title;
    q.text = text;
    q.buttons = buttons;
    q.icon = icon;
    return q;
}

// The scripted reply if it is of the kind asked for, else what Cancel gives.
template <typename T, typename Reply>
T replyAs(const Reply& reply, T cancelled = {}) {
    const T* given = std::get_if<T>(&reply);
    return given ? *given : cancelled;
}

}  // namespace

ScriptedPrompter::~ScriptedPrompter() {
    for (const Step& step : script_)
        ADD_FAILURE() << "the program never asked the scripted " << describe(step.question);
}

void ScriptedPrompter::expect(AskedQuestion question, Reply reply) {
    script_.emplace_back();
    script_.back().question = std::move(question);
    script_.back().reply = std::move(reply);
}

void ScriptedPrompter::expectMessage(const QString& text, platform::Buttons buttons,
                                     platform::Icon icon, const QString& title, Answer answer) {
    expect(question(Kind::Message, title, text, buttons, icon), answer);
}

void ScriptedPrompter::expectMessage(std::function<QString()> text, platform::Buttons buttons,
                                     platform::Icon icon, const QString& title, Answer answer) {
    expectMessage(QString(), buttons, icon, title, answer);
    script_.back().text = std::move(text);
}

void ScriptedPrompter::expectInput(const QString& prompt, const QString& title,
                                   std::optional<QString> answer) {
    expect(question(Kind::Input, title, prompt), std::move(answer));
}

void ScriptedPrompter::expectOpenFile(const QString& title,
                                      std::optional<platform::FileDialogResult> answer) {
    expect(question(Kind::OpenFile, title), std::move(answer));
}

void ScriptedPrompter::expectSaveFile(const QString& title,
                                      std::optional<platform::FileDialogResult> answer) {
    expect(question(Kind::SaveFile, title), std::move(answer));
}

void ScriptedPrompter::expectColor(std::optional<QColor> answer) { expectColor({}, answer); }

void ScriptedPrompter::expectColor(const QString& title, std::optional<QColor> answer) {
    expect(question(Kind::Color, title), answer);
}

void ScriptedPrompter::expectPrinterSetup(bool accept, std::function<void(QPrinter&)> choose) {
    expect(question(Kind::PrinterSetup, {}), accept);
    script_.back().choosePrinter = std::move(choose);
}

ScriptedPrompter::Reply ScriptedPrompter::next(const AskedQuestion& asked, Step* taken) {
    asked_.push_back(asked);
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected " << describe(asked);
        return Answer::Cancel;
    }
    Step step = script_.front();
    script_.pop_front();
    if (taken) *taken = step;
    if (step.text) step.question.text = step.text();
    const AskedQuestion& want = step.question;
    EXPECT_EQ(kindName(asked.kind), std::string(kindName(want.kind))) << describe(asked);
    EXPECT_EQ(asked.title.toStdString(), want.title.toStdString()) << describe(asked);
    if (want.kind == Kind::Message || want.kind == Kind::Input) {
        EXPECT_EQ(asked.text.toStdString(), want.text.toStdString()) << describe(asked);
    }
    if (want.kind == Kind::Message) {
        EXPECT_EQ(int(asked.buttons), int(want.buttons)) << "buttons of " << describe(asked);
        EXPECT_EQ(int(asked.icon), int(want.icon)) << "icon of " << describe(asked);
    }
    return step.reply;
}

Answer ScriptedPrompter::message(const QString& text, platform::Buttons buttons,
                                 platform::Icon icon, const QString& title, QWidget*) {
    return replyAs(next(question(Kind::Message, title, text, buttons, icon)), Answer::Cancel);
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString& defaultText, QWidget*) {
    AskedQuestion q = question(Kind::Input, title, prompt);
    q.defaultText = defaultText;
    return replyAs<std::optional<QString>>(next(q));
}

std::optional<platform::FileDialogResult> ScriptedPrompter::fileDialog(
    Kind kind, const platform::FileDialogRequest& request) {
    AskedQuestion q = question(kind, request.title);
    q.fileRequest = request;
    return replyAs<std::optional<platform::FileDialogResult>>(next(q));
}

std::optional<platform::FileDialogResult> ScriptedPrompter::openFile(
    const platform::FileDialogRequest& request, QWidget*) {
    return fileDialog(Kind::OpenFile, request);
}

std::optional<platform::FileDialogResult> ScriptedPrompter::saveFile(
    const platform::FileDialogRequest& request, QWidget*) {
    return fileDialog(Kind::SaveFile, request);
}

std::optional<QColor> ScriptedPrompter::color(const QColor& initial, const QString& title,
                                              QWidget*) {
    AskedQuestion q = question(Kind::Color, title);
    q.initialColor = initial;
    return replyAs<std::optional<QColor>>(next(q));
}

bool ScriptedPrompter::printerSetup(QPrinter& printer, QWidget*) {
    Step step;
    if (!replyAs(next(question(Kind::PrinterSetup, {}), &step), false)) return false;
    // Like the real dialog, a cancelled setup leaves the printer as it was.
    if (step.choosePrinter) step.choosePrinter(printer);
    return true;
}

}  // namespace testing_support

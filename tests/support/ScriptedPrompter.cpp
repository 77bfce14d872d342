#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace testing_support {

using platform::Answer;
using Kind = AskedQuestion::Kind;

namespace {

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Message:
            return "message box";
        case Kind::Input:
            return "input box";
        case Kind::OpenFile:
            return "open dialog";
        case Kind::SaveFile:
            return "save dialog";
        case Kind::Color:
            return "colour dialog";
        case Kind::PrinterSetup:
            return "printer setup";
    }
    return "?";
}

std::string describe(const AskedQuestion& q) {
    return std::string(kindName(q.kind)) + " \"" + q.text.toStdString() + "\" titled \"" +
           q.title.toStdString() + "\"";
}

AskedQuestion question(Kind kind, const QString& title, const QString& text = {}) {
    AskedQuestion q;
    q.kind = kind;
    q.title = title;
    q.text = text;
    return q;
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
    AskedQuestion q = question(Kind::Message, title, text);
    q.buttons = buttons;
    q.icon = icon;
    expect(q, answer);
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
    AskedQuestion q = question(Kind::Message, title, text);
    q.buttons = buttons;
    q.icon = icon;
    const Reply reply = next(q);
    if (const auto* answer = std::get_if<Answer>(&reply)) return *answer;
    return Answer::Cancel;
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString& defaultText, QWidget*) {
    AskedQuestion q = question(Kind::Input, title, prompt);
    q.defaultText = defaultText;
    const Reply reply = next(q);
    if (const auto* answer = std::get_if<std::optional<QString>>(&reply)) return *answer;
    return {};
}

std::optional<platform::FileDialogResult> ScriptedPrompter::fileDialog(
    Kind kind, const platform::FileDialogRequest& request) {
    AskedQuestion q = question(kind, request.title);
    q.fileRequest = request;
    const Reply reply = next(q);
    if (const auto* answer = std::get_if<std::optional<platform::FileDialogResult>>(&reply))
        return *answer;
    return {};
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
    const Reply reply = next(q);
    if (const auto* answer = std::get_if<std::optional<QColor>>(&reply)) return *answer;
    return {};
}

bool ScriptedPrompter::printerSetup(QPrinter& printer, QWidget*) {
    Step step;
    const Reply reply = next(question(Kind::PrinterSetup, {}), &step);
    const auto* accepted = std::get_if<bool>(&reply);
    if (!accepted || !*accepted) return false;
    // Like the real dialog, a cancelled setup leaves the printer as it was.
    if (step.choosePrinter) step.choosePrinter(printer);
    return true;
}

}  // namespace testing_support

#include "tools/messages.h"

#include "tools/process_hook.h"
#include "tools/tools.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace tools {
namespace {

using MessageHook = ProcessHook<MessageHandler, struct MessageHookTag>;

MessageAnswer showReal(QWidget* parent, const Message& message) {
    QMessageBox box(parent);
    box.setWindowTitle(message.caption);
    // Texts quote file names and input: "<h1>" in a typed name is shown as
    // typed, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message.text);
    switch (message.kind) {
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Confirmation: {
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() == yes)
            return MessageAnswer::Yes;
        if (box.clickedButton() == no)
            return MessageAnswer::No;
        return MessageAnswer::Closed;
    }
    }
    box.exec();
    return MessageAnswer::Ok;
}

MessageAnswer dispatch(QWidget* parent, const Message& message) {
    if (const MessageHandler& handler = MessageHook::Get())
        return handler(parent, message);
    return showReal(parent, message);
}

} // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
    return MessageHook::Replace(std::move(handler));
}

QString ProgramTitleFromPath(const QString& programPath) {
    // Both separators count: a Windows path ("C:\\X\\FAPKALK.EXE") must give the
    // same title wherever it is evaluated, and QFileInfo knows only '/' on Unix.
    const qsizetype slash = std::max(programPath.lastIndexOf(u'/'), programPath.lastIndexOf(u'\\'));
    QString name = programPath.mid(slash + 1);
    if (qsizetype dot = name.indexOf(u'.'); dot >= 0)
        name.truncate(dot);
    if (name.size() <= 1)
        return name;
    return name.left(1) + LowerAsciiLetters(name.mid(1));
}

QString ProgramTitle() {
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty() && !QCoreApplication::arguments().isEmpty())
        path = QCoreApplication::arguments().constFirst();
    return ProgramTitleFromPath(path);
}

MessageAnswer ShowMessage(QWidget* parent, const QString& text) {
    return dispatch(parent, {MessageKind::Information, ProgramTitle(), text});
}

MessageAnswer ShowError(QWidget* parent, const QString& text) {
    return dispatch(parent, {MessageKind::Error, ProgramTitle(), text});
}

MessageAnswer AskConfirmation(QWidget* parent, const QString& text) {
    return dispatch(parent, {MessageKind::Confirmation, QStringLiteral("Bestätigung"), text});
}

void ReportException(QWidget* parent, const std::exception& error) {
    ShowError(parent, QString::fromUtf8(error.what()));
}

} // namespace tools

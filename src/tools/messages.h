// The one way the program talks to the user in a box. Every message and the one
// question go through here, so tests can read and answer them without a person.
#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace tools {

enum class MessageKind { Information, Error, Confirmation };
enum class MessageAnswer { Ok, Yes, No, Closed };

struct Message {
    MessageKind kind;
    QString caption;
    QString text;
};

// Tests install a handler that records the message and returns an answer; an
// empty handler restores the real, modal message boxes. Returns the previous one.
using MessageHandler = std::function<MessageAnswer(QWidget* parent, const Message& message)>;
MessageHandler SetMessageHandler(MessageHandler handler);

// The program's title for message boxes: the program file's name without its
// folder and without everything from its first point on, the first character
// unchanged and the later ones with "A" to "Z" lowered.
QString ProgramTitle();
QString ProgramTitleFromPath(const QString& programPath);

// A message box with one OK button, captioned with the program's title. Every
// box shows its text as plain text, whatever characters it holds.
MessageAnswer ShowMessage(QWidget* parent, const QString& text);
// The same with an error icon.
MessageAnswer ShowError(QWidget* parent, const QString& text);
// The one question: "Bestätigung", question icon, buttons "&Ja" and "&Nein".
MessageAnswer AskConfirmation(QWidget* parent, const QString& text);

// The general error handler: shows what an abandoned operation raised (the
// German text of a floating-point error, or the exception's own text).
void ReportException(QWidget* parent, const std::exception& error);

} // namespace tools

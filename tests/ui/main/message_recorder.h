// Answers every message box of the program in a test and keeps what it said.
#pragma once

#include "tools/messages.h"

#include <QList>
#include <QStringList>
#include <functional>

class MessageRecorder {
public:
    MessageRecorder() {
        previous_ = tools::SetMessageHandler([this](QWidget*, const tools::Message& message) {
            messages << message;
            if (onMessage)
                onMessage(message);
            return message.kind == tools::MessageKind::Confirmation ? answer
                                                                    : tools::MessageAnswer::Ok;
        });
    }
    ~MessageRecorder() { tools::SetMessageHandler(std::move(previous_)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList texts() const {
        QStringList result;
        for (const tools::Message& message : messages)
            result << message.text;
        return result;
    }

    QList<tools::Message> messages;
    tools::MessageAnswer answer = tools::MessageAnswer::Yes;
    std::function<void(const tools::Message&)> onMessage;

private:
    tools::MessageHandler previous_;
};

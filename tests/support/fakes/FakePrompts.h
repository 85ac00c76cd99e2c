#pragma once

#include "platform/runtime/Prompts.h"

#include <QStringList>
#include <functional>

// Records the messages and beeps; onMessage lets a test act while a message box "is shown".
class FakePrompts final : public Prompts
{
public:
    void message(const QString &text, const QString &detail = QString()) override
    {
        messages.append(text);
        details.append(detail);
        if (onMessage)
            onMessage(text);
    }
    void beep() override { ++beeps; }

    QStringList messages;
    QStringList details;
    int beeps = 0;
    std::function<void(const QString &)> onMessage;
};

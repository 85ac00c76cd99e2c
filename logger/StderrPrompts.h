#pragma once

#include "platform/runtime/Prompts.h"

// The recorder's messages without a desktop: one line each on standard error, which the journal
// takes.
class StderrPrompts final : public Prompts
{
public:
    void message(const QString &text, const QString &detail = QString()) override;
    void beep() override {}
};

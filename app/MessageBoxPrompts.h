#pragma once

#include "platform/runtime/Prompts.h"

// Message boxes in the program's style: the title "Orvel On-Line", no icon, an OK button only,
// over whichever of the program's windows is active.
class MessageBoxPrompts final : public Prompts
{
public:
    void message(const QString &text, const QString &detail = QString()) override;
    void beep() override;
};

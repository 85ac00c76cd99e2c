#pragma once

#include <QString>

// What the program's logic asks of the user's desktop: message boxes (OK only, no icon, the
// application's title), the system beep, and waits that keep the windows responsive.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // Shows the text modally and returns when the user has dismissed it. The detail, when
    // given, stands under the text (the system's reason for a failure and what to do).
    virtual void message(const QString &text, const QString &detail = QString()) = 0;
    virtual void beep() = 0;
};

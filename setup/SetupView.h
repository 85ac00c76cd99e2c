#pragma once

#include <QString>

// What the setup logic needs of the setup window's controls. The window implements it over its
// widgets; the tests implement it over plain fields.
class SetupView
{
public:
    // The four parameter fields: two text boxes with a "Set" button each, and two lists.
    enum class Field { Angle, Number, Range, Handshake };

    virtual ~SetupView() = default;

    virtual QString fieldText(Field field) const = 0;
    // Writing a text box's text counts as a change of it and shows its "Set" button; writing a
    // list's text never counts as a choice in the list.
    virtual void setFieldText(Field field, const QString &text) = 0;
    virtual void focusField(Field field) = 0;
    // Only the Angle and Number fields have a "Set" button.
    virtual void setSetButtonVisible(Field field, bool visible) = 0;

    // The status line: the one panel of the status bar.
    virtual void setStatusLine(const QString &text) = 0;

    // The device's free-text status box; CR LF line ends show as line breaks.
    virtual void setStatusText(const QString &text) = 0;
    virtual void setStatusEnabled(bool enabled) = 0;
};
